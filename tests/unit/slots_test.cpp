#include "plugin/slots.h"

#include "QuorvaneIR.h"
#include "fake_os.h"
#include "net/endpoints.h"

namespace qir {
namespace {

using testing::FakeOsTest;

class SlotsTest : public FakeOsTest {
 protected:
  void SetUp() override {
    FakeOsTest::SetUp();
    FillMethodTable(&table);
  }
  MethodTable table{};
};

IRRankResult FilledBoard() {
  IRRankResult board;
  board.entries.resize(3);
  board.entries[0].display_name = "someone";
  board.my_rank = 4;
  board.player_count = 9;
  board.fetched_at = 77;
  board.clear_distribution[2] = 5;
  return board;
}

void ExpectEmpty(const IRRankResult& board) {
  EXPECT_TRUE(board.entries.empty());
  EXPECT_EQ(board.my_rank, 0);
  EXPECT_EQ(board.player_count, 0);
  EXPECT_EQ(board.fetched_at, 0);
  EXPECT_EQ(board.clear_distribution[2], 0);
}

TEST_F(SlotsTest, TableHoldsTheSlotsInOrder) {
  EXPECT_EQ(table.GetPluginName, &SlotGetPluginName);
  EXPECT_EQ(table.Login, &SlotLogin);
  EXPECT_EQ(table.SubmitScore, &SlotSubmitScore);
  EXPECT_EQ(table.GetRank, &SlotGetRank);
  EXPECT_EQ(table.GetRankCached, &SlotGetRankCached);
  EXPECT_EQ(table.GetGhost, &SlotGetGhost);
  EXPECT_EQ(table.RankingPageTemplate, RankingPageTemplate());
  EXPECT_EQ(table.GetRankingPageUrl, &SlotGetRankingPageUrl);
  EXPECT_FALSE(std::filesystem::exists(dir() / "debug.log"));
}

TEST_F(SlotsTest, NameIsOneConstant) {
  EXPECT_STREQ(table.GetPluginName(), "QuorvaneIR");
  EXPECT_EQ(table.GetPluginName(), table.GetPluginName());
}

TEST_F(SlotsTest, RankingPageUrlAppendsTheHashUnchanged) {
  const std::string prefix = RankingPagePrefix();
  EXPECT_EQ(table.GetRankingPageUrl("abc"), prefix + "abc");
  EXPECT_EQ(table.GetRankingPageUrl("a/b%20c"), prefix + "a/b%20c");
  EXPECT_EQ(table.GetRankingPageUrl(""), prefix);
  EXPECT_EQ(table.GetRankingPageUrl(nullptr), prefix);
}

TEST_F(SlotsTest, RankSlotsEmptyTheRecordBeforeTheirChecks) {
  WriteFile(dir() / "key.txt", "key123");
  IRRankResult board = FilledBoard();
  EXPECT_EQ(table.GetRank(nullptr, 0, &board), 2);
  ExpectEmpty(board);
  board = FilledBoard();
  EXPECT_EQ(table.GetRank("", 0, &board), 2);
  ExpectEmpty(board);

  board = FilledBoard();
  EXPECT_EQ(table.GetRankCached("", 0, &board), 0);
  ExpectEmpty(board);
  board = FilledBoard();
  EXPECT_EQ(table.GetRankCached(nullptr, 0, &board), 0);
  ExpectEmpty(board);
  EXPECT_TRUE(used_exchanges.empty());
}

TEST_F(SlotsTest, RankWithoutKeyFailsSilently) {
  IRRankResult board = FilledBoard();
  EXPECT_EQ(table.GetRank("abc", 0, &board), 2);
  ExpectEmpty(board);
  EXPECT_TRUE(used_exchanges.empty());
  EXPECT_FALSE(std::filesystem::exists(dir() / "debug.log"));
}

TEST_F(SlotsTest, GhostSlotResetsTheRecord) {
  IRGhostResult ghost;
  ghost.display_name = "x";
  ghost.ghost_data = "data";
  ghost.random_seed = 5;
  ghost.option_main = 3;
  EXPECT_EQ(table.GetGhost(nullptr, GhostMode::Top, 1, &ghost), 2);
  EXPECT_EQ(ghost.display_name, "");
  EXPECT_EQ(ghost.ghost_data, "");
  EXPECT_EQ(ghost.random_seed, -1);
  EXPECT_EQ(ghost.option_main, 0);

  ghost.random_seed = 5;
  EXPECT_EQ(table.GetGhost("abc", GhostMode::Top, 1, &ghost), 2);  // no key
  EXPECT_EQ(ghost.random_seed, -1);
  EXPECT_TRUE(used_exchanges.empty());
  EXPECT_FALSE(std::filesystem::exists(dir() / "debug.log"));
}

TEST_F(SlotsTest, ExceptionsStopAtTheBoundary) {
  WriteFile(dir() / "key.txt", "key123");
  Script({.throw_at_send = true});
  EXPECT_FALSE(table.Login());
  Script({.throw_at_send = true});
  IRPlayResult play;
  play.hash = "abc";
  EXPECT_EQ(table.SubmitScore(&play), 2);
  EXPECT_EQ(used_exchanges.size(), 2u);
}

TEST_F(SlotsTest, RankSlotsReportTheFetchAndServeTheCache) {
  WriteFile(dir() / "key.txt", "key123");
  for (int i = 0; i < 4; ++i) Script({.status_code = 503});
  IRRankResult board = FilledBoard();
  EXPECT_EQ(table.GetRank("abc", 0, &board), 1);
  ExpectEmpty(board);
  EXPECT_EQ(table.GetRankCached("abc", 0, &board), 2);

  Script({.status_code = 200, .body = R"({"entries": [{"player_id": 8}], "player_count": 6})"});
  EXPECT_EQ(table.GetRank("abc", 0, &board), 0);
  IRRankResult cached = FilledBoard();
  EXPECT_EQ(table.GetRankCached("abc", 0, &cached), 0);
  ASSERT_EQ(cached.entries.size(), 1u);
  EXPECT_EQ(cached.entries[0].player_id, 8);
  EXPECT_EQ(cached.player_count, 6);
  EXPECT_EQ(cached.fetched_at, now);

  Script({.throw_at_send = true});
  board = FilledBoard();
  EXPECT_EQ(table.GetRank("abc", 0, &board), 2);
  ExpectEmpty(board);
}

TEST_F(SlotsTest, GhostReachesTheHostOnlyWhenFetched) {
  WriteFile(dir() / "key.txt", "key123");
  for (int i = 0; i < 4; ++i) Script({.status_code = 503, .body = R"({"random_seed": 4})"});
  IRGhostResult ghost;
  ghost.display_name = "x";
  EXPECT_EQ(table.GetGhost("abc", GhostMode::Next, 1, &ghost), 1);
  EXPECT_EQ(ghost.display_name, "");
  EXPECT_EQ(ghost.random_seed, -1);
  EXPECT_EQ(ghost.option_main, 0);

  Script({.status_code = 200, .body = R"({"display_name": "Ann", "random_seed": 4})"});
  EXPECT_EQ(table.GetGhost("abc", GhostMode::Next, 1, &ghost), 0);
  EXPECT_EQ(ghost.display_name, "Ann");
  EXPECT_EQ(ghost.random_seed, 4);
  EXPECT_EQ(ghost.option_main, 1);

  Script({.throw_at_send = true});
  EXPECT_EQ(table.GetGhost("abc", GhostMode::Next, 1, &ghost), 2);
  EXPECT_EQ(ghost.display_name, "");
}

TEST_F(SlotsTest, NullRecordsAreRefused) {
  WriteFile(dir() / "key.txt", "key123");
  EXPECT_EQ(table.GetRank("abc", 0, nullptr), 2);
  EXPECT_EQ(table.GetGhost("abc", GhostMode::Target, 0, nullptr), 2);
  EXPECT_EQ(table.SubmitScore(nullptr), 2);
}

}  // namespace
}  // namespace qir
