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

}  // namespace
}  // namespace qir
