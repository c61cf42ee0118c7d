#include <string>

#include "fake_os.h"
#include "ranking/board_fetch.h"
#include "ranking/rank_cache.h"

namespace qir {
namespace {

using testing::FakeOsTest;

// The host record without its fetch time.
std::string Describe(const IRRankResult& r) {
  std::string text = "rank=" + std::to_string(r.my_rank) +
                     " players=" + std::to_string(r.player_count) +
                     " plays=" + std::to_string(r.total_playcount) + " dist=";
  for (const std::int32_t count : r.clear_distribution) text += std::to_string(count) + ',';
  for (const IRRankEntry& e : r.entries) {
    text += " [" + e.display_name + ' ' + std::to_string(e.player_id) + ' ' +
            std::to_string(e.clear_type) + ' ' + std::to_string(e.playcount) + ']';
  }
  return text;
}

class BoardRoundTripTest : public FakeOsTest {};

// Whatever the server sent, the cached board gives the host what the fetch gave it,
// except a total play count below 1: the file leaves it out, so it reads back as 0.
TEST_F(BoardRoundTripTest, CachedBoardReadsBackAsFetched) {
  const char* const replies[] = {
      R"({"total_playcount": -5})",
      R"({"totalPlaycount": -2147483648, "my_player_id": -3, "rank": -1, "player_count": -7})",
      R"({"entries": [{"display_name": "q\"b\\s\u0001\u001f\u007f\ud83c\udfb5 \u00e9\t\n",
                       "player_id": -1, "clear_type": 5, "playcount": 4294967295}]})",
      R"({"clear_distribution": [-1, 2147483647, -2147483648, 0, 1e300, -1e300]})",
  };
  for (const char* reply : replies) {
    std::filesystem::remove_all(dir() / "IR");
    Script({.status_code = 200, .body = reply});
    IRRankResult fetched;
    ASSERT_EQ(GetRankFromNetwork("abc", "key123", fetched), HttpStatus::Ok) << reply;
    IRRankResult cached;
    ASSERT_TRUE(ReadRankCache("abc", cached)) << reply;
    if (fetched.total_playcount < 0) {
      EXPECT_EQ(cached.total_playcount, 0) << reply;
      fetched.total_playcount = 0;
    }
    EXPECT_EQ(Describe(cached), Describe(fetched)) << reply;
  }
}

}  // namespace
}  // namespace qir
