// The score document of any play record: every text member arbitrary bytes, every
// number from the input (doubles from raw bits, so NaN and infinities too). The
// document parses as JSON, is well-formed UTF-8, and carries valid text and every
// number as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "checks.h"
#include "fuzz_os.h"
#include "submit/score_payload.h"

namespace {

using nlohmann::json;

template <typename T>
void Fill(FuzzedDataProvider& in, T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    value = in.ConsumeBool();
  } else if constexpr (std::is_same_v<T, double>) {
    value = std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
  } else {
    value = in.ConsumeIntegral<T>();
  }
}

template <typename T, std::size_t N>
void Fill(FuzzedDataProvider& in, T (&values)[N]) {
  for (T& value : values) Fill(in, value);
}

// A finite double comes back exactly; the others are written as null.
bool SameDouble(const json& written, double value) {
  if (!std::isfinite(value)) return written.is_null();
  return written.is_number() && written.get<double>() == value;
}

void CheckText(const json& written, const std::string& text) {
  FUZZ_CHECK(written.is_string());
  if (qir::fuzz::IsValidUtf8(text)) FUZZ_CHECK(written.get<std::string>() == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qir::fuzz::InstallFuzzOs();
  FuzzedDataProvider in(data, size);
  auto play = std::make_unique<IRPlayResult>();
  auto& p = *play;
  for (std::string* text : {&p.hash, &p.title, &p.subtitle, &p.genre, &p.artist, &p.subartist}) {
    *text = in.ConsumeRandomLengthString(64);
  }
  const std::string ghost = in.ConsumeRandomLengthString(64);
  Fill(in, p.maxBPM), Fill(in, p.minBPM), Fill(in, p.longnote), Fill(in, p.random);
  Fill(in, p.judge), Fill(in, p.courseStageCount), Fill(in, p.courseType), Fill(in, p.level);
  auto& s = p.settings;
  Fill(in, s.gaugeOption), Fill(in, s.random), Fill(in, s.autokey), Fill(in, s.assist);
  Fill(in, s.dpflip), Fill(in, s.hsfix), Fill(in, s.randSC), Fill(in, s.randFix);
  for (std::int32_t* m : {&s.m_softlanding, &s.m_addmine, &s.m_addlong, &s.m_earthquake,
                          &s.m_tornado, &s.m_superloop, &s.m_gambol, &s.m_char, &s.m_heartbeat,
                          &s.m_loudness, &s.m_addnote, &s.m_nabeatsu, &s.m_accel, &s.m_sincurve,
                          &s.m_wave, &s.m_spiral, &s.m_sidejump, &s.is_extra, &s.m_extra,
                          &s.gomiscore, &s.disablecurspeedchange}) {
    Fill(in, *m);
  }
  Fill(in, s.m_lunaris), Fill(in, s.m_gas);
  auto& st = p.state;
  Fill(in, st.player), Fill(in, st.keymode), Fill(in, st.randomseed);
  Fill(in, st.freqSpeedMultiplier), Fill(in, st.song_runtime), Fill(in, st.isNosave);
  Fill(in, st.isForceEasy), Fill(in, st.isCourse), Fill(in, st.courseStageNow);
  Fill(in, st.notes_total);
  auto& j = p.judgements_total;
  for (std::uint32_t* count : {&j.epg, &j.lpg, &j.egr, &j.lgr, &j.egd, &j.lgd, &j.ebd, &j.lbd,
                               &j.epr, &j.lpr, &j.cb, &j.fast, &j.slow, &j.notes_played,
                               &j.notes_total}) {
    Fill(in, *count);
  }
  Fill(in, p.max_combo), Fill(in, p.HP), Fill(in, p.gaugeType), Fill(in, p.moneyscore);
  Fill(in, p.exscore), Fill(in, p.rate), Fill(in, p.clearType), Fill(in, p.inputType);
  const bool is_pb = in.ConsumeBool();
  qir::PreviousBest best;
  const bool has_best = in.ConsumeBool();
  for (std::int32_t* v : {&best.clear, &best.perfect, &best.great, &best.good, &best.bad,
                          &best.poor, &best.totalnotes, &best.maxcombo, &best.minbp,
                          &best.playcount, &best.clearcount, &best.failcount, &best.rank,
                          &best.rate, &best.clear_db, &best.clear_sd, &best.clear_ex,
                          &best.op_best, &best.rseed}) {
    Fill(in, *v);
  }

  const std::string text = qir::BuildScorePayload(p, ghost, is_pb, has_best ? &best : nullptr);
  FUZZ_CHECK(qir::fuzz::IsValidUtf8(text));
  json d = json::parse(text, nullptr, false);
  FUZZ_CHECK(d.is_object());

  json& song = d["song"];
  CheckText(song["hash"], p.hash);
  CheckText(song["title"], p.title);
  CheckText(song["subtitle"], p.subtitle);
  CheckText(song["genre"], p.genre);
  CheckText(song["artist"], p.artist);
  CheckText(song["subartist"], p.subartist);
  if (ghost.empty()) {
    FUZZ_CHECK(!d.contains("ghost_data"));
  } else {
    CheckText(d["ghost_data"], ghost);
  }
  FUZZ_CHECK(song["maxBPM"] == p.maxBPM && song["level"] == p.level &&
             song["courseType"] == p.courseType);
  FUZZ_CHECK(d["settings"]["randFix"][1] == s.randFix[1] && d["settings"]["m_gas"] == s.m_gas &&
             d["settings"]["m_lunaris"] == s.m_lunaris &&
             d["settings"]["disablecurspeedchange"] == s.disablecurspeedchange);
  FUZZ_CHECK(d["state"]["randomseed"] == st.randomseed && d["state"]["isCourse"] == st.isCourse);
  FUZZ_CHECK(SameDouble(d["state"]["freqSpeedMultiplier"], st.freqSpeedMultiplier));
  FUZZ_CHECK(SameDouble(d["state"]["song_runtime"], st.song_runtime));
  FUZZ_CHECK(d["judgements_total"]["epg"] == j.epg && d["judgements_total"]["notes_total"] ==
                                                         j.notes_total);
  for (std::size_t i = 0; i < 6; ++i) FUZZ_CHECK(SameDouble(d["HP"][i], p.HP[i]));
  FUZZ_CHECK(SameDouble(d["rate"], p.rate));
  FUZZ_CHECK(d["max_combo"] == p.max_combo && d["exscore"] == p.exscore &&
             d["clearType"] == p.clearType && d["inputType"] == p.inputType);
  FUZZ_CHECK(d["lamp"] == qir::LampName(p.clearType));
  FUZZ_CHECK(d["isPB"] == is_pb);
  if (has_best) {
    FUZZ_CHECK(d["previous_best"]["rseed"] == best.rseed &&
               d["previous_best"]["rate"] == best.rate);
    FUZZ_CHECK(d["previous_best"].contains("dpflip") == (st.keymode >= 10));
  } else {
    FUZZ_CHECK(d["previous_best"].is_null());
  }
  return 0;
}
