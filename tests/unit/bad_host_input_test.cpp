// What a careless or damaged host can hand the slots: huge texts, huge files, score
// databases that cannot be read. Each ends in a result, never a crash.
#include <sqlite3.h>

#include <nlohmann/json.hpp>

#include "QuorvaneIR.h"
#include "fake_os.h"
#include "host_files.h"
#include "net/endpoints.h"
#include "plugin/slots.h"
#include "ranking/rank_cache.h"

namespace qir {
namespace {

using testing::FakeOsTest;
using testing::HostFolder;
using nlohmann::json;

constexpr std::size_t kMiB = 1 << 20;

class BadHostInputTest : public FakeOsTest {
 protected:
  void SetUp() override {
    FakeOsTest::SetUp();
    FillMethodTable(&table);
    host = std::make_unique<HostFolder>(dir() / "game");
    host->WriteConfigWithId("1001");
    WriteFile(dir() / "key.txt", "key123");
    play = std::make_unique<IRPlayResult>();
    play->hash = "0123456789abcdef0123456789abcdef";
  }
  void TearDown() override {
    host.reset();
    FakeOsTest::TearDown();
  }
  std::filesystem::path DatabasePath() const { return dir() / "game" / ScoreDatabasePath("1001"); }

  MethodTable table{};
  std::unique_ptr<HostFolder> host;
  std::unique_ptr<IRPlayResult> play;
};

TEST_F(BadHostInputTest, UnreadableScoreDatabasesSendNoPreviousBest) {
  const struct {
    const char* name;
    std::function<void()> make;
    const char* db_line;
  } rows[] = {
      {"not a database", [&] { WriteFile(DatabasePath(), "plain text, not SQLite\n"); },
       "WARN | db_query | result=prepare_fail sqlite=file is not a database hash8=01234567"},
      {"corrupt", [&] {
         host->CreateDatabase("1001");
         std::string bytes = ReadFile(DatabasePath());
         for (std::size_t i = 100; i < bytes.size(); i += 7) bytes[i] = '\x5a';
         WriteFile(DatabasePath(), bytes);
       },
       "WARN | db_query | result=prepare_fail sqlite=database disk image is malformed "
       "hash8=01234567"},
      {"empty file", [&] { WriteFile(DatabasePath(), ""); },
       "WARN | db_query | result=prepare_fail sqlite=no such table: score hash8=01234567"},
  };
  for (const auto& row : rows) {
    std::filesystem::remove(DatabasePath());
    std::filesystem::remove(dir() / "debug.log");
    row.make();
    auto sent = Script({.status_code = 200});
    EXPECT_EQ(table.SubmitScore(play.get()), 0) << row.name;
    EXPECT_TRUE(json::parse(sent->sent_body)["previous_best"].is_null()) << row.name;
    const auto lines = LogLines();
    ASSERT_FALSE(lines.empty()) << row.name;
    EXPECT_EQ(lines.front(), row.db_line) << row.name;
  }
}

TEST_F(BadHostInputTest, LockedScoreDatabaseDoesNotWait) {
  host->CreateDatabase("1001");
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(DatabasePath().string().c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  auto sent = Script({.status_code = 200});
  EXPECT_EQ(table.SubmitScore(play.get()), 0);
  sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  EXPECT_TRUE(json::parse(sent->sent_body)["previous_best"].is_null());
  EXPECT_EQ(LogLines().front(),
            "WARN | db_query | result=prepare_fail sqlite=database is locked hash8=01234567");
}

TEST_F(BadHostInputTest, HugeTextsAndFilesAreCarried) {
  // A 10 MB configuration file with the id at its very end.
  host->WriteConfig(std::string(10'000'000, ' ') + "<player><id>1001</id></player>");
  host->CreateDatabase("1001");
  play->hash = std::string(kMiB, 'h');
  play->title = std::string(kMiB, '\xff');  // not UTF-8 either
  auto sent = Script({.status_code = 200});
  EXPECT_EQ(table.SubmitScore(play.get()), 0);
  const json document = json::parse(sent->sent_body);
  EXPECT_EQ(document["song"]["hash"].get<std::string>().size(), kMiB);
  EXPECT_EQ(LogLines().front(), "INFO | db_query | result=no_row hash8=hhhhhhhh");

  auto board = Script({.status_code = 200, .body = R"({"player_count": 1})"});
  IRRankResult rank;
  EXPECT_EQ(table.GetRank(play->hash.c_str(), 0, &rank), 0);
  EXPECT_GT(board->target.size(), kMiB);
  IRRankResult cached;
  EXPECT_EQ(table.GetRankCached(play->hash.c_str(), 0, &cached), 0);
  EXPECT_EQ(cached.player_count, 1);

  // A key file of several megabytes still gives a key that signs the request.
  WriteFile(dir() / "key.txt", std::string(4 * kMiB, 'k'));
  auto ghost_exchange = Script({.status_code = 200, .body = "{}"});
  IRGhostResult ghost;
  EXPECT_EQ(table.GetGhost("abc", static_cast<GhostMode>(-2147483647 - 1), 0, &ghost), 0);
  EXPECT_NE(ghost_exchange->headers.find(u"x-signature: "), std::u16string::npos);
}

TEST_F(BadHostInputTest, NullPointersInEverySlot) {
  EXPECT_EQ(table.SubmitScore(nullptr), 2);
  EXPECT_EQ(table.GetRank(nullptr, 0, nullptr), 2);
  EXPECT_EQ(table.GetRankCached(nullptr, 0, nullptr), 2);
  EXPECT_EQ(table.GetRankCached("abc", 0, nullptr), 2);
  EXPECT_EQ(table.GetGhost(nullptr, GhostMode::Top, 0, nullptr), 2);
  EXPECT_EQ(table.GetRankingPageUrl(nullptr), RankingPagePrefix());
  EXPECT_TRUE(used_exchanges.empty());
}

}  // namespace
}  // namespace qir
