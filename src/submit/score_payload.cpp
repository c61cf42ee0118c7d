#include "submit/score_payload.h"

#include "diag/log.h"
#include "submit/ex_score.h"

namespace qir {
namespace {

using nlohmann::json;

json Pair(const std::int32_t (&values)[2]) { return json::array({values[0], values[1]}); }

json Song(const IRPlayResult& p) {
  return {{"hash", p.hash},
          {"title", p.title},
          {"subtitle", p.subtitle},
          {"genre", p.genre},
          {"artist", p.artist},
          {"subartist", p.subartist},
          {"maxBPM", p.maxBPM},
          {"minBPM", p.minBPM},
          {"longnote", p.longnote},
          {"random", p.random},
          {"judge", p.judge},
          {"level", p.level},
          {"courseStageCount", p.courseStageCount},
          {"courseType", p.courseType}};
}

json Settings(const IRPlayResult::Settings& s) {
  return {{"gaugeOption", s.gaugeOption},
          {"random", Pair(s.random)},
          {"autokey", s.autokey},
          {"assist", Pair(s.assist)},
          {"dpflip", s.dpflip},
          {"hsfix", s.hsfix},
          {"randSC", Pair(s.randSC)},
          {"randFix", Pair(s.randFix)},
          {"m_softlanding", s.m_softlanding},
          {"m_addmine", s.m_addmine},
          {"m_addlong", s.m_addlong},
          {"m_earthquake", s.m_earthquake},
          {"m_tornado", s.m_tornado},
          {"m_superloop", s.m_superloop},
          {"m_gambol", s.m_gambol},
          {"m_char", s.m_char},
          {"m_heartbeat", s.m_heartbeat},
          {"m_loudness", s.m_loudness},
          {"m_addnote", s.m_addnote},
          {"m_nabeatsu", s.m_nabeatsu},
          {"m_accel", s.m_accel},
          {"m_sincurve", s.m_sincurve},
          {"m_wave", s.m_wave},
          {"m_spiral", s.m_spiral},
          {"m_sidejump", s.m_sidejump},
          {"is_extra", s.is_extra},
          {"m_extra", s.m_extra},
          {"m_lunaris", s.m_lunaris},
          {"m_gas", s.m_gas},
          {"gomiscore", s.gomiscore},
          {"disablecurspeedchange", s.disablecurspeedchange}};
}

json State(const IRPlayResult::State& s) {
  return {{"player", s.player},
          {"keymode", s.keymode},
          {"randomseed", s.randomseed},
          {"freqSpeedMultiplier", s.freqSpeedMultiplier},
          {"song_runtime", s.song_runtime},
          {"isNosave", s.isNosave},
          {"isForceEasy", s.isForceEasy},
          {"isCourse", s.isCourse},
          {"courseStageNow", s.courseStageNow},
          {"notes_total", s.notes_total}};
}

json Judgements(const IRPlayResult::JudgementsTotal& j) {
  return {{"epg", j.epg}, {"lpg", j.lpg},   {"egr", j.egr},   {"lgr", j.lgr},
          {"egd", j.egd}, {"lgd", j.lgd},   {"ebd", j.ebd},   {"lbd", j.lbd},
          {"epr", j.epr}, {"lpr", j.lpr},   {"cb", j.cb},     {"fast", j.fast},
          {"slow", j.slow}, {"notes_played", j.notes_played}, {"notes_total", j.notes_total}};
}

json Hp(const double (&hp)[6]) {
  json list = json::array();
  for (const double value : hp) list.push_back(value);
  return list;
}

}  // namespace

const char* LampName(std::int32_t clear_type) {
  static const char* const kLamps[] = {"NO PLAY", "FAIL", "EASY", "NORMAL", "HARD", "FULL COMBO"};
  const auto index = static_cast<std::uint32_t>(clear_type);
  return index <= 5 ? kLamps[index] : "UNKNOWN";
}

json BuildPreviousBest(const PreviousBest& b, std::int32_t keymode) {
  json object = {{"option_1", b.op_best % 10},
                 {"option_2", (b.op_best / 10) % 10},
                 {"rseed", b.rseed},
                 {"exscore", ExScore(b.perfect, b.great)},
                 {"playcount", b.playcount},
                 {"clear", b.clear},
                 {"pgreat", b.perfect},
                 {"great", b.great},
                 {"good", b.good},
                 {"bad", b.bad},
                 {"poor", b.poor},
                 {"maxcombo", b.maxcombo},
                 {"totalnotes", b.totalnotes},
                 {"rank", b.rank},
                 {"rate", b.rate},
                 {"clear_db", b.clear_db},
                 {"clear_sd", b.clear_sd},
                 {"clear_ex", b.clear_ex},
                 {"clearcount", b.clearcount},
                 {"failcount", b.failcount},
                 {"minbp", b.minbp},
                 {"lamp", LampName(b.clear)}};
  if (keymode >= 10) {
    object["random_2"] = (b.op_best / 100) % 10;
    object["dpflip"] = (b.op_best / 1000) % 10;
  }
  return object;
}

std::string BuildScorePayload(const IRPlayResult& play, std::string_view ghost, bool is_pb,
                              const PreviousBest* best) {
  json document = {{"isPB", is_pb},
                   {"song", Song(play)},
                   {"settings", Settings(play.settings)},
                   {"state", State(play.state)},
                   {"judgements_total", Judgements(play.judgements_total)},
                   {"max_combo", play.max_combo},
                   {"HP", Hp(play.HP)},
                   {"gaugeType", play.gaugeType},
                   {"moneyscore", play.moneyscore},
                   {"exscore", play.exscore},
                   {"rate", play.rate},
                   {"clearType", play.clearType},
                   {"lamp", LampName(play.clearType)},
                   {"inputType", play.inputType}};
  document["previous_best"] =
      best != nullptr ? BuildPreviousBest(*best, play.state.keymode) : json(nullptr);
  if (!ghost.empty()) document["ghost_data"] = std::string(ghost);

  try {
    return document.dump();
  } catch (const json::type_error& e) {
    if (e.id != 316) throw;  // 316: a string that is not valid UTF-8
  }
  Log("WARN", "payload_text_replaced", "hash8=" + Hash8(play.hash));
  return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace qir
