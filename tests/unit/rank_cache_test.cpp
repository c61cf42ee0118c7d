#include "ranking/rank_cache.h"

#include "fake_os.h"

namespace qir {
namespace {

using testing::FakeOsTest;

TEST(Crc32, CheckValue) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32(""), 0u);
}

TEST(RankCacheFileName, ShortHashesAreKeptLongOnesHashed) {
  const std::string hex32 = "0123456789abcdef0123456789ABCDEF";
  EXPECT_EQ(RankCacheFileName(hex32), hex32);
  std::string fifty = "a/b.c" + std::string(45, 'x');
  EXPECT_EQ(RankCacheFileName(fifty), "a_b_c" + std::string(45, 'x'));
  EXPECT_EQ(RankCacheFileName("\xC3\xA9 -"), "____");
  const std::string long_hash = std::string(51, 'x');
  char expected[9];
  std::snprintf(expected, sizeof expected, "%08x", static_cast<unsigned>(Crc32(long_hash)));
  EXPECT_EQ(RankCacheFileName(long_hash), expected);
  EXPECT_EQ(RankCacheFileName(long_hash).size(), 8u);
  EXPECT_EQ(RankCacheFileName(std::string(64, '0')).find_first_not_of("0123456789abcdef"),
            std::string::npos);
}

class RankCacheTest : public FakeOsTest {};

TEST_F(RankCacheTest, FilesLiveInTheIrFolderBesideThePlugin) {
  EXPECT_EQ(RankCacheDir(), dir() / "IR");
  EXPECT_EQ(RankCacheFilePath("abc"), dir() / "IR" / "abc.json");
  module_lookup_fails = true;
  EXPECT_EQ(RankCacheDir(), std::filesystem::path("IR"));
}

TEST_F(RankCacheTest, RemoveDeletesOnlyThatChartsFile) {
  std::filesystem::create_directories(dir() / "IR");
  WriteFile(dir() / "IR" / "abc.json", "{}");
  WriteFile(dir() / "IR" / "abd.json", "{}");
  RemoveRankCache("abc");
  EXPECT_FALSE(std::filesystem::exists(dir() / "IR" / "abc.json"));
  EXPECT_TRUE(std::filesystem::exists(dir() / "IR" / "abd.json"));
  RemoveRankCache("abc");  // missing: nothing happens
  RemoveRankCache("");
  EXPECT_TRUE(std::filesystem::exists(dir() / "IR" / "abd.json"));
  EXPECT_FALSE(std::filesystem::exists(dir() / "debug.log"));
}

TEST_F(RankCacheTest, ServedForLessThanSevenDays) {
  const std::int64_t written = now;
  Board board;
  board.entries.push_back({.rank = 1, .player_id = 7, .display_name = "Ann"});
  IRRankResult result;
  result.player_count = 1;
  WriteRankCache("abc", result, BoardStats{}, board);
  const std::pair<std::int64_t, bool> rows[] = {
      {0, true}, {604'799, true}, {604'800, false}, {-1, false}, {10'000'000, false}};
  for (const auto& [age, served] : rows) {
    now = written + age;
    IRRankResult cached;
    EXPECT_EQ(ReadRankCache("abc", cached), served) << age;
    EXPECT_EQ(cached.entries.size(), served ? 1u : 0u) << age;
  }
  EXPECT_FALSE(std::filesystem::exists(dir() / "debug.log"));
}

TEST_F(RankCacheTest, OnlyAFileDatedByANumberIsServed) {
  const std::string t = std::to_string(now);
  const std::pair<std::string, bool> rows[] = {
      {R"({"fetched_at":)" + t + "}", true},
      {R"({"fetched_at":)" + t + ".9}", true},
      {R"({"fetched_at":)" + t + R"(,"player_count":2} trailing {not json)", true},
      {R"({"fetched_at":")" + t + R"("})", false},
      {R"({"fetched_at":true})", false},
      {R"({"fetched_at":null})", false},
      {R"({"fetched_at":-1})", false},
      {R"({"player_count":2})", false},
      {"[" + t + "]", false},
      {R"({"fetched_at":)" + t + " // today\n}", false},
      {R"({"fetched_at":)" + t, false},
      {"", false},
  };
  std::filesystem::create_directories(dir() / "IR");
  for (const auto& [content, served] : rows) {
    WriteFile(RankCacheFilePath("abc"), content);
    IRRankResult cached;
    EXPECT_EQ(ReadRankCache("abc", cached), served) << content;
  }
  std::filesystem::remove(RankCacheFilePath("abc"));
  IRRankResult cached;
  EXPECT_FALSE(ReadRankCache("abc", cached));
  EXPECT_FALSE(std::filesystem::exists(dir() / "debug.log"));
}

TEST_F(RankCacheTest, ServedOnlyForTheChartItNames) {
  // "a-b" and "a_b" share the file a_b.json; a hash that is not UTF-8 is stored with
  // U+FFFD and still names its own chart.
  const struct {
    std::string written, read;
    bool served;
  } rows[] = {
      {"a-b", "a-b", true},
      {"a-b", "a_b", false},
      {"a_b", "a-b", false},
      {"\xFF-\xC3", "\xFF-\xC3", true},
  };
  for (const auto& row : rows) {
    Board board;
    board.entries.push_back({.rank = 1, .player_id = 7});
    WriteRankCache(row.written, IRRankResult{}, BoardStats{}, board);
    IRRankResult cached;
    EXPECT_EQ(ReadRankCache(row.read, cached), row.served) << row.written << " " << row.read;
    EXPECT_EQ(cached.entries.size(), row.served ? 1u : 0u);
  }
  // A file whose "hash" is not a text names no chart: read as before.
  WriteFile(RankCacheFilePath("abc"), R"({"fetched_at":)" + std::to_string(now) + R"(,"hash":5})");
  IRRankResult cached;
  EXPECT_TRUE(ReadRankCache("abc", cached));
}

}  // namespace
}  // namespace qir
