#include "submit/score_payload.h"

#include <cmath>
#include <limits>

#include "fake_os.h"

namespace qir {
namespace {

using testing::FakeOsTest;
using nlohmann::json;

constexpr char kCourseHash[] = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

std::unique_ptr<IRPlayResult> DoublePlayCourse() {
  auto p = std::make_unique<IRPlayResult>();
  p->hash = kCourseHash;
  p->title = "\xE3\x82\xB3\xE3\x83\xBC\xE3\x82\xB9";  // katakana, sent as raw UTF-8
  p->genre = "G";
  p->artist = "A";
  p->subartist = "S";
  p->maxBPM = 200;
  p->minBPM = 100;
  p->longnote = 1;
  p->judge = 3;
  p->level = 12;
  p->courseStageCount = 4;
  p->courseType = 2;
  auto& s = p->settings;
  s.gaugeOption = 1;
  s.random[0] = 2;
  s.random[1] = 3;
  s.dpflip = 1;
  s.hsfix = 2;
  s.randSC[1] = 1;
  s.randFix[0] = 1;
  s.m_tornado = 1;
  s.m_extra = 5;
  s.m_lunaris = 7;
  s.m_gas = true;
  s.disablecurspeedchange = 1;
  auto& st = p->state;
  st.keymode = 14;
  st.randomseed = 12345;
  st.freqSpeedMultiplier = 1.0;
  st.song_runtime = 123.5;
  st.isForceEasy = 1;
  st.isCourse = 1;
  st.courseStageNow = 2;
  st.notes_total = 1500;
  p->judgements_total = {600, 400, 150, 50, 10, 5, 2, 1, 3, 4, 6, 70, 80, 1230, 1500};
  p->max_combo = 900;
  const double hp[6] = {100.0, 82.5, 0.0, 2.0, 0.1, -1.5};
  std::copy(std::begin(hp), std::end(hp), p->HP);
  p->gaugeType = 3;
  p->moneyscore = 180000;
  p->exscore = 2400;
  p->rate = 0.975;
  p->clearType = 4;
  p->inputType = 1;
  p->ghost = "the play's own ghost is chosen elsewhere";
  return p;
}

PreviousBest StoredRow() {
  PreviousBest r;
  r.clear = 3;
  r.perfect = 900;
  r.great = 300;
  r.good = 20;
  r.bad = 5;
  r.poor = 10;
  r.totalnotes = 1500;
  r.maxcombo = 700;
  r.minbp = 30;
  r.playcount = 11;
  r.clearcount = 8;
  r.failcount = 3;
  r.rank = 5;
  r.rate = 80;
  r.clear_db = 1;
  r.clear_ex = 2;
  r.op_best = 4321;
  r.rseed = 777;
  r.ghost = "never sent from here";
  return r;
}

class ScorePayloadTest : public FakeOsTest {};

TEST_F(ScorePayloadTest, DoublePlayCourseWithStoredRow) {
  const auto play = DoublePlayCourse();
  const PreviousBest row = StoredRow();
  EXPECT_EQ(
      BuildScorePayload(*play, "chosen", true, &row),
      R"({"HP":[100.0,82.5,0.0,2.0,0.1,-1.5],"clearType":4,"exscore":2400,"gaugeType":3,)"
      R"("ghost_data":"chosen","inputType":1,"isPB":true,"judgements_total":{"cb":6,"ebd":2,)"
      R"("egd":10,"egr":150,"epg":600,"epr":3,"fast":70,"lbd":1,"lgd":5,"lgr":50,"lpg":400,)"
      R"("lpr":4,"notes_played":1230,"notes_total":1500,"slow":80},"lamp":"HARD",)"
      R"("max_combo":900,"moneyscore":180000,"previous_best":{"bad":5,"clear":3,"clear_db":1,)"
      R"("clear_ex":2,"clear_sd":0,"clearcount":8,"dpflip":4,"exscore":2100,"failcount":3,)"
      R"("good":20,"great":300,"lamp":"NORMAL","maxcombo":700,"minbp":30,"option_1":1,)"
      R"("option_2":2,"pgreat":900,"playcount":11,"poor":10,"random_2":3,"rank":5,"rate":80,)"
      R"("rseed":777,"totalnotes":1500},"rate":0.975,"settings":{"assist":[0,0],"autokey":0,)"
      R"("disablecurspeedchange":1,"dpflip":1,"gaugeOption":1,"gomiscore":0,"hsfix":2,)"
      R"("is_extra":0,"m_accel":0,"m_addlong":0,"m_addmine":0,"m_addnote":0,"m_char":0,)"
      R"("m_earthquake":0,"m_extra":5,"m_gambol":0,"m_gas":true,"m_heartbeat":0,)"
      R"("m_loudness":0,"m_lunaris":7,"m_nabeatsu":0,"m_sidejump":0,"m_sincurve":0,)"
      R"("m_softlanding":0,"m_spiral":0,"m_superloop":0,"m_tornado":1,"m_wave":0,)"
      R"("randFix":[1,0],"randSC":[0,1],"random":[2,3]},"song":{"artist":"A",)"
      R"("courseStageCount":4,"courseType":2,"genre":"G","hash":")" +
          std::string(kCourseHash) +
          R"(","judge":3,"level":12,"longnote":1,"maxBPM":200,"minBPM":100,"random":0,)"
          R"("subartist":"S","subtitle":"","title":")"
          "\xE3\x82\xB3\xE3\x83\xBC\xE3\x82\xB9"
          R"("},"state":{"courseStageNow":2,"freqSpeedMultiplier":1.0,"isCourse":1,)"
          R"("isForceEasy":1,"isNosave":0,"keymode":14,"notes_total":1500,"player":0,)"
          R"("randomseed":12345,"song_runtime":123.5}})");
  EXPECT_EQ(LogText(), "");
}

TEST_F(ScorePayloadTest, SinglePlayWithoutStoredRow) {
  auto p = std::make_unique<IRPlayResult>();
  p->hash = "abc";
  p->title = "t";
  p->judge = -1;
  p->maxBPM = 150;
  p->minBPM = 150;
  p->settings.assist[0] = 1;
  p->settings.m_lunaris = 255;
  p->state.player = 1;
  p->state.keymode = 7;
  p->state.freqSpeedMultiplier = 1.5;
  p->judgements_total.epg = 1;
  p->max_combo = 4294967295u;
  p->HP[5] = std::numeric_limits<double>::infinity();
  p->moneyscore = -5;
  p->exscore = 2;
  p->rate = std::nan("");
  p->clearType = 6;
  EXPECT_EQ(
      BuildScorePayload(*p, "", true, nullptr),
      R"({"HP":[0.0,0.0,0.0,0.0,0.0,null],"clearType":6,"exscore":2,"gaugeType":0,)"
      R"("inputType":0,"isPB":true,"judgements_total":{"cb":0,"ebd":0,"egd":0,"egr":0,"epg":1,)"
      R"("epr":0,"fast":0,"lbd":0,"lgd":0,"lgr":0,"lpg":0,"lpr":0,"notes_played":0,)"
      R"("notes_total":0,"slow":0},"lamp":"UNKNOWN","max_combo":4294967295,"moneyscore":-5,)"
      R"("previous_best":null,"rate":null,"settings":{"assist":[1,0],"autokey":0,)"
      R"("disablecurspeedchange":0,"dpflip":0,"gaugeOption":0,"gomiscore":0,"hsfix":0,)"
      R"("is_extra":0,"m_accel":0,"m_addlong":0,"m_addmine":0,"m_addnote":0,"m_char":0,)"
      R"("m_earthquake":0,"m_extra":0,"m_gambol":0,"m_gas":false,"m_heartbeat":0,)"
      R"("m_loudness":0,"m_lunaris":255,"m_nabeatsu":0,"m_sidejump":0,"m_sincurve":0,)"
      R"("m_softlanding":0,"m_spiral":0,"m_superloop":0,"m_tornado":0,"m_wave":0,)"
      R"("randFix":[0,0],"randSC":[0,0],"random":[0,0]},"song":{"artist":"",)"
      R"("courseStageCount":0,"courseType":0,"genre":"","hash":"abc","judge":-1,"level":0,)"
      R"("longnote":0,"maxBPM":150,"minBPM":150,"random":0,"subartist":"","subtitle":"",)"
      R"("title":"t"},"state":{"courseStageNow":0,"freqSpeedMultiplier":1.5,"isCourse":0,)"
      R"("isForceEasy":0,"isNosave":0,"keymode":7,"notes_total":0,"player":1,"randomseed":0,)"
      R"("song_runtime":0.0}})");
}

TEST(LampName, Table) {
  const std::pair<std::int32_t, std::string> rows[] = {
      {0, "NO PLAY"}, {1, "FAIL"},    {2, "EASY"},    {3, "NORMAL"},        {4, "HARD"},
      {5, "FULL COMBO"}, {6, "UNKNOWN"}, {-1, "UNKNOWN"}, {INT32_MIN, "UNKNOWN"},
  };
  for (const auto& [clear, lamp] : rows) EXPECT_EQ(LampName(clear), lamp) << clear;
}

TEST(PreviousBest, OptionDigitsAndDoublePlayFields) {
  PreviousBest row;
  row.op_best = 4321;
  for (const std::int32_t keymode : {14, 10}) {
    const json b = BuildPreviousBest(row, keymode);
    EXPECT_EQ(b.size(), 24u);
    EXPECT_EQ(b["option_1"], 1);
    EXPECT_EQ(b["option_2"], 2);
    EXPECT_EQ(b["random_2"], 3);
    EXPECT_EQ(b["dpflip"], 4);
  }
  for (const std::int32_t keymode : {9, 7, -20}) {
    const json b = BuildPreviousBest(row, keymode);
    EXPECT_EQ(b.size(), 22u);
    EXPECT_FALSE(b.contains("random_2"));
    EXPECT_FALSE(b.contains("dpflip"));
  }
  row.op_best = -25;
  row.perfect = 100;
  row.great = 50;
  const json b = BuildPreviousBest(row, 7);
  EXPECT_EQ(b["option_1"], -5);
  EXPECT_EQ(b["option_2"], -2);
  EXPECT_EQ(b["exscore"], 250);
}

TEST_F(ScorePayloadTest, TextIsEscapedOnlyWhereJsonRequires) {
  IRPlayResult p;
  p.hash = "h";
  p.title = "say \"hi\"\n\\ \xC3\xA9";
  const std::string doc = BuildScorePayload(p, "", false, nullptr);
  EXPECT_NE(doc.find(R"("title":"say \"hi\"\n\\ )" "\xC3\xA9" "\""), std::string::npos);
  EXPECT_NE(doc.find(R"("isPB":false)"), std::string::npos);
}

TEST_F(ScorePayloadTest, InvalidUtf8IsReplacedAndNoted) {
  IRPlayResult p;
  p.hash = "abcdefghijk";
  p.title = "\x83\x5E\x83\x43\x83\x67\x83\x8B";  // Shift_JIS
  p.artist = "ok";
  const std::string doc = BuildScorePayload(p, "gh\xFF", false, nullptr);
  EXPECT_TRUE(json::accept(doc));
  const json parsed = json::parse(doc);
  EXPECT_EQ(parsed["song"]["artist"], "ok");
  EXPECT_EQ(parsed["song"]["hash"], "abcdefghijk");
  EXPECT_EQ(parsed["ghost_data"], "gh\xEF\xBF\xBD");
  EXPECT_NE(parsed["song"]["title"].get<std::string>().find("\xEF\xBF\xBD"), std::string::npos);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"WARN | payload_text_replaced | hash8=abcdefgh"});
}

}  // namespace
}  // namespace qir
