#include "host/score_database.h"

#include "fake_os.h"
#include "host_files.h"

namespace qir {
namespace {

using testing::FakeOsTest;
using testing::HostFolder;
using Lines = std::vector<std::string>;

constexpr char kHash[] = "0123456789abcdef0123456789abcdef";

class ScoreDatabaseTest : public FakeOsTest {
 protected:
  void SetUp() override {
    FakeOsTest::SetUp();
    host = std::make_unique<HostFolder>(dir() / "game");
    play.hash = kHash;
  }
  void TearDown() override {
    host.reset();
    FakeOsTest::TearDown();
  }

  PreviousBest Row() const {
    PreviousBest r;
    r.clear = 4;
    r.perfect = 500;
    r.great = 100;
    r.good = 3;
    r.bad = 2;
    r.poor = 7;
    r.totalnotes = 612;
    r.maxcombo = 300;
    r.minbp = 9;
    r.playcount = 20;
    r.clearcount = 15;
    r.failcount = 5;
    r.rank = 6;
    r.rate = 88;
    r.clear_db = 1;
    r.clear_sd = 2;
    r.clear_ex = 3;
    r.op_best = 4321;
    r.rseed = 99;
    r.ghost = "stored ghost";
    return r;
  }

  std::unique_ptr<HostFolder> host;
  IRPlayResult play;
  PreviousBest best;
};

TEST_F(ScoreDatabaseTest, PathUsesThePlatformSeparator) {
  const auto sep = std::string(1, static_cast<char>(std::filesystem::path::preferred_separator));
  EXPECT_EQ(ScoreDatabasePath("123456").string(),
            "LR2files" + sep + "Database" + sep + "Score" + sep + "123456.db");
}

TEST_F(ScoreDatabaseTest, CopiesTheStoredRow) {
  host->WriteConfigWithId("123456");
  host->CreateDatabase("123456");
  host->InsertRow("123456", kHash, Row());
  host->InsertRow("123456", "other", PreviousBest{});
  ASSERT_TRUE(QueryPreviousBest(play, best));
  const PreviousBest want = Row();
  EXPECT_EQ(best.clear, want.clear);
  EXPECT_EQ(best.perfect, want.perfect);
  EXPECT_EQ(best.totalnotes, want.totalnotes);
  EXPECT_EQ(best.failcount, want.failcount);
  EXPECT_EQ(best.rate, want.rate);
  EXPECT_EQ(best.clear_ex, want.clear_ex);
  EXPECT_EQ(best.op_best, want.op_best);
  EXPECT_EQ(best.rseed, want.rseed);
  EXPECT_EQ(best.ghost, want.ghost);
  EXPECT_EQ(LogLines(), Lines{"INFO | db_query | result=ok hash8=01234567"});
}

TEST_F(ScoreDatabaseTest, ColumnConversionsAreTheLibrarys) {
  host->WriteConfigWithId("1");
  host->CreateDatabase("1",
                       "INSERT INTO score (hash, clear, rate, perfect, ghost) "
                       "VALUES ('h', NULL, 97.9, '12abc', '');"
                       "INSERT INTO score (hash, clear, ghost) VALUES ('h', 5, 'second');");
  play.hash = std::string(1, 'h');
  ASSERT_TRUE(QueryPreviousBest(play, best));
  EXPECT_EQ(best.clear, 0);
  EXPECT_EQ(best.rate, 97);
  EXPECT_EQ(best.perfect, 12);
  EXPECT_EQ(best.ghost, "") << "an empty ghost stays empty; the first row wins";
  EXPECT_EQ(LogLines(), Lines{"INFO | db_query | result=ok hash8=h"});
}

TEST_F(ScoreDatabaseTest, NoRow) {
  host->WriteConfigWithId("1");
  host->CreateDatabase("1");
  best.perfect = -7;
  EXPECT_FALSE(QueryPreviousBest(play, best));
  EXPECT_EQ(best.perfect, -7) << "the caller's record is left alone";
  EXPECT_EQ(LogLines(), Lines{"INFO | db_query | result=no_row hash8=01234567"});
}

TEST_F(ScoreDatabaseTest, NoPath) {
  for (const std::string& config : {std::string(), std::string("<player><id></id>")}) {
    std::filesystem::remove(dir() / "debug.log");
    if (!config.empty()) host->WriteConfig(config);
    EXPECT_FALSE(QueryPreviousBest(play, best));
    EXPECT_EQ(LogLines(), Lines{"WARN | db_query | result=no_path hash8=01234567"});
  }
  host->WriteConfigWithId("1");
  host->CreateDatabase("1");
  std::filesystem::remove(dir() / "debug.log");
  play.hash.clear();
  EXPECT_FALSE(QueryPreviousBest(play, best));
  EXPECT_EQ(LogLines(), Lines{"WARN | db_query | result=no_path hash8="});
}

TEST_F(ScoreDatabaseTest, MissingDatabaseIsNotCreated) {
  host->WriteConfigWithId(" 42 ");  // kept with its blanks, so no such file
  EXPECT_FALSE(QueryPreviousBest(play, best));
  EXPECT_EQ(LogLines(), Lines{"WARN | db_query | result=open_fail sqlite=unable to open database file"});
  EXPECT_FALSE(std::filesystem::exists(dir() / "game" / ScoreDatabasePath(" 42 ")));
}

TEST_F(ScoreDatabaseTest, QueryThatCannotBePrepared) {
  host->WriteConfigWithId("1");
  host->CreateDatabase("1", {}, "CREATE TABLE score (hash TEXT, clear INTEGER)");
  EXPECT_FALSE(QueryPreviousBest(play, best));
  EXPECT_EQ(LogLines(), (Lines{"WARN | db_query | result=prepare_fail sqlite=no such column: "
                               "perfect hash8=01234567",
                               "INFO | db_query | result=no_row hash8=01234567"}));
}

}  // namespace
}  // namespace qir
