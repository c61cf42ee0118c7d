#include "play_json.h"

#include <limits>
#include <stdexcept>
#include <type_traits>

namespace qir::host {
namespace {

using nlohmann::json;

[[noreturn]] void Bad(const std::string& key, const char* what) {
  throw std::runtime_error("\"" + key + "\" " + what);
}

const json* Member(const json& object, const std::string& key) {
  if (!object.is_object()) return nullptr;
  const auto it = object.find(key);
  return it == object.end() || it->is_null() ? nullptr : &*it;
}

void Text(const json& object, const std::string& key, std::string& out) {
  if (const json* hex = Member(object, key + "_hex")) {
    if (!hex->is_string()) Bad(key + "_hex", "must be a string");
    out = HexToBytes(hex->get<std::string>());
    return;
  }
  if (const json* value = Member(object, key)) {
    if (!value->is_string()) Bad(key, "must be a string");
    out = value->get<std::string>();
  }
}

// JSON numbers cannot carry the non-finite doubles a host may hand over (a rate over
// zero notes), so double members also take them as these strings.
bool NonFinite(const json& value, double& out) {
  if (!value.is_string()) return false;
  const std::string& word = value.get_ref<const std::string&>();
  if (word == "Infinity") {
    out = std::numeric_limits<double>::infinity();
  } else if (word == "-Infinity") {
    out = -std::numeric_limits<double>::infinity();
  } else if (word == "NaN") {
    out = std::numeric_limits<double>::quiet_NaN();
  } else {
    return false;
  }
  return true;
}

template <typename T>
bool Convert(const json& value, T& out) {
  if (value.is_boolean()) {
    out = static_cast<T>(value.get<bool>() ? 1 : 0);
    return true;
  }
  if constexpr (std::is_floating_point_v<T>) {
    if (NonFinite(value, out)) return true;
  }
  if (!value.is_number()) return false;
  if constexpr (std::is_integral_v<T>) {
    // A float outside the member's range cannot be converted.
    const double number = value.get<double>();
    if (!(number >= static_cast<double>(std::numeric_limits<T>::min()) &&
          number < static_cast<double>(std::numeric_limits<T>::max()) + 1.0)) {
      return false;
    }
  }
  out = value.get<T>();
  return true;
}

template <typename T>
void Number(const json& object, const std::string& key, T& out) {
  const json* value = Member(object, key);
  if (value != nullptr && !Convert(*value, out)) Bad(key, "must be a number in range");
}

void Flag(const json& object, const std::string& key, bool& out) {
  const json* value = Member(object, key);
  if (value == nullptr) return;
  if (value->is_boolean()) {
    out = value->get<bool>();
  } else if (value->is_number()) {
    out = value->get<double>() != 0;
  } else {
    Bad(key, "must be a boolean");
  }
}

template <typename T, std::size_t N>
void Array(const json& object, const std::string& key, T (&out)[N]) {
  const json* value = Member(object, key);
  if (value == nullptr) return;
  if (!value->is_array() || value->size() > N) Bad(key, "must be an array of numbers");
  for (std::size_t i = 0; i < value->size(); ++i) {
    if (!Convert((*value)[i], out[i])) Bad(key, "must be an array of numbers");
  }
}

const json& Group(const json& document, const char* key) {
  static const json kEmpty = json::object();
  const json* group = Member(document, key);
  if (group == nullptr) return kEmpty;
  if (!group->is_object()) Bad(key, "must be an object");
  return *group;
}

}  // namespace

std::string HexToBytes(const std::string& hex) {
  if (hex.size() % 2 != 0) throw std::runtime_error("hexadecimal text of odd length");
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::runtime_error("bad hexadecimal digit");
  };
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1])));
  }
  return bytes;
}

void ReadPlay(const json& document, IRPlayResult& play) {
  if (!document.is_object()) throw std::runtime_error("the play must be a JSON object");

  const json& song = Group(document, "song");
  Text(song, "hash", play.hash);
  Text(song, "title", play.title);
  Text(song, "subtitle", play.subtitle);
  Text(song, "genre", play.genre);
  Text(song, "artist", play.artist);
  Text(song, "subartist", play.subartist);
  Number(song, "maxBPM", play.maxBPM);
  Number(song, "minBPM", play.minBPM);
  Number(song, "longnote", play.longnote);
  Number(song, "random", play.random);
  Number(song, "judge", play.judge);
  Number(song, "courseStageCount", play.courseStageCount);
  Number(song, "courseType", play.courseType);
  Number(song, "level", play.level);

  const json& settings = Group(document, "settings");
  auto& s = play.settings;
  Number(settings, "gaugeOption", s.gaugeOption);
  Array(settings, "random", s.random);
  Number(settings, "autokey", s.autokey);
  Array(settings, "assist", s.assist);
  Number(settings, "dpflip", s.dpflip);
  Number(settings, "hsfix", s.hsfix);
  Array(settings, "randSC", s.randSC);
  Array(settings, "randFix", s.randFix);
  Number(settings, "m_softlanding", s.m_softlanding);
  Number(settings, "m_addmine", s.m_addmine);
  Number(settings, "m_addlong", s.m_addlong);
  Number(settings, "m_earthquake", s.m_earthquake);
  Number(settings, "m_tornado", s.m_tornado);
  Number(settings, "m_superloop", s.m_superloop);
  Number(settings, "m_gambol", s.m_gambol);
  Number(settings, "m_char", s.m_char);
  Number(settings, "m_heartbeat", s.m_heartbeat);
  Number(settings, "m_loudness", s.m_loudness);
  Number(settings, "m_addnote", s.m_addnote);
  Number(settings, "m_nabeatsu", s.m_nabeatsu);
  Number(settings, "m_accel", s.m_accel);
  Number(settings, "m_sincurve", s.m_sincurve);
  Number(settings, "m_wave", s.m_wave);
  Number(settings, "m_spiral", s.m_spiral);
  Number(settings, "m_sidejump", s.m_sidejump);
  Number(settings, "is_extra", s.is_extra);
  Number(settings, "m_extra", s.m_extra);
  Number(settings, "m_lunaris", s.m_lunaris);
  Flag(settings, "m_gas", s.m_gas);
  Number(settings, "gomiscore", s.gomiscore);
  Number(settings, "disablecurspeedchange", s.disablecurspeedchange);

  const json& state = Group(document, "state");
  auto& st = play.state;
  Number(state, "player", st.player);
  Number(state, "keymode", st.keymode);
  Number(state, "randomseed", st.randomseed);
  Number(state, "freqSpeedMultiplier", st.freqSpeedMultiplier);
  Number(state, "song_runtime", st.song_runtime);
  Number(state, "isNosave", st.isNosave);
  Number(state, "isForceEasy", st.isForceEasy);
  Number(state, "isCourse", st.isCourse);
  Number(state, "courseStageNow", st.courseStageNow);
  Number(state, "notes_total", st.notes_total);

  const json& judgements = Group(document, "judgements_total");
  auto& j = play.judgements_total;
  Number(judgements, "epg", j.epg);
  Number(judgements, "lpg", j.lpg);
  Number(judgements, "egr", j.egr);
  Number(judgements, "lgr", j.lgr);
  Number(judgements, "egd", j.egd);
  Number(judgements, "lgd", j.lgd);
  Number(judgements, "ebd", j.ebd);
  Number(judgements, "lbd", j.lbd);
  Number(judgements, "epr", j.epr);
  Number(judgements, "lpr", j.lpr);
  Number(judgements, "cb", j.cb);
  Number(judgements, "fast", j.fast);
  Number(judgements, "slow", j.slow);
  Number(judgements, "notes_played", j.notes_played);
  Number(judgements, "notes_total", j.notes_total);

  Number(document, "max_combo", play.max_combo);
  Array(document, "HP", play.HP);
  Number(document, "gaugeType", play.gaugeType);
  Number(document, "moneyscore", play.moneyscore);
  Number(document, "exscore", play.exscore);
  Number(document, "rate", play.rate);
  Number(document, "clearType", play.clearType);
  Number(document, "inputType", play.inputType);
  Text(document, "ghost", play.ghost);
}

}  // namespace qir::host
