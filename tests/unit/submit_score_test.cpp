#include "submit/submit_score.h"

#include <fstream>
#include <nlohmann/json.hpp>

#include "fake_os.h"
#include "host_files.h"
#include "net/endpoints.h"
#include "ranking/rank_cache.h"

namespace qir {
namespace {

using testing::FakeExchangeScript;
using testing::FakeOsTest;
using testing::HostFolder;
using Lines = std::vector<std::string>;
using nlohmann::json;

constexpr char kHash[] = "fedcba9876543210fedcba9876543210";

class SubmitScoreTest : public FakeOsTest {
 protected:
  void SetUp() override {
    FakeOsTest::SetUp();
    host = std::make_unique<HostFolder>(dir() / "game");
    host->WriteConfigWithId("1001");
    host->CreateDatabase("1001");
    WriteFile(dir() / "key.txt", "key123");
    play = std::make_unique<IRPlayResult>();
    play->hash = kHash;
    play->exscore = 1100;
  }
  void TearDown() override {
    host.reset();
    FakeOsTest::TearDown();
  }

  // EX 1100 from 500 PGREAT and 100 GREAT; 4 GOOD, 3 BAD, 2 POOR.
  static PreviousBest BestRow(const std::string& ghost = {}) {
    PreviousBest row;
    row.perfect = 500;
    row.great = 100;
    row.good = 4;
    row.bad = 3;
    row.poor = 2;
    row.ghost = ghost;
    return row;
  }
  void StoreRow(const std::string& ghost = {}) { host->InsertRow("1001", kHash, BestRow(ghost)); }

  json Sent(std::size_t index = 0) const { return json::parse(used_exchanges.at(index)->sent_body); }

  std::unique_ptr<HostFolder> host;
  std::unique_ptr<IRPlayResult> play;
};

TEST_F(SubmitScoreTest, SkipRulesInOrder) {
  struct Row {
    const char* name;
    std::int32_t player;
    std::int32_t assist0, assist1;
    std::uint8_t nosave;
    bool key;
    bool hash;
    HttpStatus result;
    Lines lines;
  };
  const Row rows[] = {
      {"assist on side 0", 0, 1, 0, 0, true, true, HttpStatus::Ok, {"INFO | skip_assist"}},
      {"assist before no-save", 1, 0, 1, 1, false, false, HttpStatus::Ok, {"INFO | skip_assist"}},
      {"no-save before the key", 0, 0, 0, 1, false, true, HttpStatus::Ok, {"INFO | skip_nosave"}},
      {"key before the hash", 0, 0, 0, 0, false, false, HttpStatus::Fail, {"WARN | skip_no_api_key"}},
      {"empty hash", 0, 0, 0, 0, true, false, HttpStatus::Fail, {"WARN | skip_invalid_hash"}},
  };
  for (const Row& row : rows) {
    std::filesystem::remove(dir() / "debug.log");
    if (row.key) WriteFile(dir() / "key.txt", "key123");
    else std::filesystem::remove(dir() / "key.txt");
    play->state.player = row.player;
    play->settings.assist[0] = row.assist0;
    play->settings.assist[1] = row.assist1;
    play->state.isNosave = row.nosave;
    play->hash = row.hash ? kHash : "";
    EXPECT_EQ(SubmitScore(*play), row.result) << row.name;
    EXPECT_EQ(LogLines(), row.lines) << row.name;
  }
  EXPECT_TRUE(used_exchanges.empty());
}

TEST_F(SubmitScoreTest, AssistOnTheOtherSideOrAnOddSideIsSent) {
  for (const std::int32_t player : {1, 2, -1}) {
    play->state.player = player;
    play->settings.assist[0] = 1;
    play->settings.assist[1] = player == 1 ? 0 : 1;
    Script({.status_code = 200});
    EXPECT_EQ(SubmitScore(*play), HttpStatus::Ok) << player;
  }
  ASSERT_EQ(used_exchanges.size(), 3u);
  EXPECT_EQ(Sent(2)["settings"]["assist"], json::array({1, 1}));
  EXPECT_EQ(Sent(2)["state"]["player"], -1);
}

TEST_F(SubmitScoreTest, EndpointRule) {
  struct Row {
    std::int32_t stages, type;
    std::u16string path;
  };
  const Row rows[] = {{3, 0, u"/api/course/score"}, {3, 2, u"/api/course/score"},
                      {3, 1, u"/api/chart/score"},  {0, 0, u"/api/chart/score"},
                      {-2, 2, u"/api/chart/score"}, {1, 3, u"/api/chart/score"}};
  for (const Row& row : rows) {
    play->courseStageCount = row.stages;
    play->courseType = row.type;
    auto s = Script({.status_code = 200});
    SubmitScore(*play);
    EXPECT_EQ(s->target, row.path) << row.stages << "/" << row.type;
    EXPECT_EQ(s->verb, u"POST");
  }
}

TEST_F(SubmitScoreTest, PersonalBest) {
  StoreRow();
  struct Row {
    std::int32_t exscore;
    std::uint32_t epg, lpg;  // PGREAT totals 500 match the row
    bool pb;
  };
  const Row rows[] = {{1101, 0, 0, true}, {1099, 500, 0, false}, {1100, 250, 250, true},
                      {1100, 250, 249, false}};
  for (const Row& row : rows) {
    play->exscore = row.exscore;
    play->judgements_total = {};
    play->judgements_total.epg = row.epg;
    play->judgements_total.lpg = row.lpg;
    play->judgements_total.egr = 100;
    play->judgements_total.lgd = 4;
    play->judgements_total.ebd = 3;
    play->judgements_total.lpr = 2;
    Script({.status_code = 200});
    SubmitScore(*play);
    EXPECT_EQ(Sent(used_exchanges.size() - 1)["isPB"], row.pb) << row.exscore << " " << row.lpg;
  }
  // Equal EX score, one other total differing: not a best. No stored row: always one.
  const PreviousBest row = BestRow();
  play->exscore = 1100;
  play->judgements_total.lpg = 250;
  EXPECT_TRUE(IsPersonalBest(*play, &row, true));
  play->judgements_total.lpr = 3;
  EXPECT_FALSE(IsPersonalBest(*play, &row, true));
  EXPECT_TRUE(IsPersonalBest(*play, &row, false));
  EXPECT_TRUE(IsPersonalBest(*play, nullptr, false));
}

TEST_F(SubmitScoreTest, GhostChoice) {
  EXPECT_EQ(SelectGhost("GHOST_ERROR", true, nullptr), "");
  PreviousBest row;
  row.ghost = "abc";
  const std::tuple<std::string, bool, std::string, std::string> rows[] = {
      {"GHOST_ERROR", true, "abc", "abc"}, {"Z", true, "abc", "abc"},  {"", true, "abc", "abc"},
      {"abc", true, "def", "abc"},         {"Z", false, "abc", ""},    {"z", true, "abc", "z"},
      {"ZZ", true, "", "ZZ"},              {"GHOST_ERROR!", true, "", "GHOST_ERROR!"},
      {"", true, "Z", ""},                 {"", true, "GHOST_ERROR", ""},
  };
  for (const auto& [own, found, stored, chosen] : rows) {
    row.ghost = stored;
    EXPECT_EQ(SelectGhost(own, found, found ? &row : nullptr), chosen) << own << "/" << stored;
  }
}

TEST_F(SubmitScoreTest, StoredGhostIsSentWhenThePlaysIsUnusable) {
  StoreRow("abc");
  play->ghost = "GHOST_ERROR";
  Script({.status_code = 200});
  SubmitScore(*play);
  EXPECT_EQ(Sent()["ghost_data"], "abc");
  EXPECT_EQ(Sent()["previous_best"]["exscore"], 1100);

  std::filesystem::remove(dir() / "game" / ScoreDatabasePath("1001"));
  play->ghost = "Z";
  Script({.status_code = 200});
  SubmitScore(*play);
  EXPECT_FALSE(Sent(1).contains("ghost_data"));
  EXPECT_TRUE(Sent(1)["previous_best"].is_null());
  EXPECT_EQ(Sent(1)["isPB"], true);
}

TEST_F(SubmitScoreTest, OutcomesAndTheCacheFile) {
  const auto cache = RankCacheFilePath(kHash);
  struct Row {
    std::uint32_t status;
    HttpStatus result;
    bool cache_kept;
  };
  for (const Row& row : {Row{503, HttpStatus::Retry, true}, Row{400, HttpStatus::Fail, true},
                         Row{200, HttpStatus::Ok, false}}) {
    std::filesystem::remove(dir() / "debug.log");
    std::filesystem::create_directories(cache.parent_path());
    WriteFile(cache, "{}");
    Script({.status_code = row.status});
    EXPECT_EQ(SubmitScore(*play), row.result) << row.status;
    EXPECT_EQ(std::filesystem::exists(cache), row.cache_kept) << row.status;
    Lines want = {"INFO | db_query | result=no_row hash8=fedcba98",
                  "INFO | http_begin | endpoint=chart port=" + std::to_string(ServerPort()) +
                      " secure=1 body_size=" + std::to_string(used_exchanges.back()->sent_body.size()),
                  "INFO | http_done | status_code=" + std::to_string(row.status) +
                      " mapped_status=" + HttpStatusName(row.result)};
    if (row.result != HttpStatus::Ok) want.push_back("WARN | send_score_fail | hash8=fedcba98");
    EXPECT_EQ(LogLines(), want) << row.status;
  }
  EXPECT_TRUE(sleeps.empty()) << "a submission is sent once";
}

TEST_F(SubmitScoreTest, NoAnswerIsRetryAndLogged) {
  play->hash = "short";
  Script({.fail_at = FakeExchangeScript::FailAt::Send, .error_code = 12029});
  EXPECT_EQ(SubmitScore(*play), HttpStatus::Retry);
  EXPECT_EQ(used_exchanges.size(), 1u);
  EXPECT_EQ(LogLines().back(), "WARN | send_score_fail | hash8=short");
}

TEST_F(SubmitScoreTest, AnExceptionWhileSendingEndsAsFail) {
  Script({.fail_at = FakeExchangeScript::FailAt::Send, .throw_at_send = true});
  EXPECT_EQ(SubmitScore(*play), HttpStatus::Fail);
  EXPECT_EQ(LogLines().back(), "ERROR | send_score_exception");
}

}  // namespace
}  // namespace qir
