#include "ghost/ghost_fetch.h"

#include <sstream>

#include "fake_os.h"

namespace qir {
namespace {

using testing::FakeOsTest;

std::string Describe(const IRGhostResult& g) {
  std::ostringstream out;
  out << '[' << g.display_name << "] [" << g.ghost_data << "] main=" << g.option_main
      << " pair=" << g.option_pair[0] << ',' << g.option_pair[1] << " flag=" << g.option_flag
      << " seed=" << g.random_seed << " avg=" << g.average_exscore;
  if (g.host_value != 0 || g.host_flags[0] != 0 || g.host_flags[1] != 0 || g.host_flags[2] != 0) {
    out << " HOST-FIELD";
  }
  return out.str();
}

class GhostFetchTest : public FakeOsTest {
 protected:
  HttpStatus Fetch(std::string_view hash, GhostMode mode, std::int32_t target,
                   IRGhostResult& result) {
    return GetGhostFromNetwork(hash, mode, target, "key123", result);
  }
};

TEST(DecodeOptionPackedTest, DigitsMapToTheOptions) {
  const struct {
    std::int32_t packed;
    std::int32_t main, pair0, pair1;
    bool flag;
  } rows[] = {
      {1234, 5, 3, 2, true},  {9, 0, 0, 0, false},     {60, 1, 0, 0, false},
      {10000, 1, 0, 0, false}, {0, 1, 0, 0, false},    {-7, 1, 0, 0, false},
      {5, 6, 0, 0, false},    {6, 0, 0, 0, false},     {1, 2, 0, 0, false},
      {550, 1, 5, 5, false},  {19990, 1, 0, 0, true},  {2147483647, 0, 4, 0, true},
  };
  for (const auto& row : rows) {
    const DecodedOptions o = DecodeOptionPacked(row.packed);
    EXPECT_EQ(o.option_main, row.main) << row.packed;
    EXPECT_EQ(o.option_pair[0], row.pair0) << row.packed;
    EXPECT_EQ(o.option_pair[1], row.pair1) << row.packed;
    EXPECT_EQ(o.option_flag, row.flag) << row.packed;
  }
}

TEST_F(GhostFetchTest, RepliesFillTheRecord) {
  const struct {
    const char* reply;
    const char* record;
  } rows[] = {
      {R"({"display_name": "Ann", "ghost_data": "AbC=", "option_packed": 1234,
           "random_seed": 77, "average_exscore": 1500, "other": 1})",
       "[Ann] [AbC=] main=5 pair=3,2 flag=1 seed=77 avg=1500"},
      {R"({"displayName": "B", "ghostData": "x", "optionPacked": 2, "randomSeed": 3,
           "averageExscore": 4})",
       "[B] [x] main=3 pair=0,0 flag=0 seed=3 avg=4"},
      {R"({"display_name": "first", "displayName": "second"})",
       "[first] [] main=1 pair=0,0 flag=0 seed=-1 avg=0"},
      {R"({"random_seed": null, "randomSeed": 7, "option_packed": 9})",
       "[] [] main=0 pair=0,0 flag=0 seed=7 avg=0"},
      {R"({"ghost_data": [1, 2, 3], "random_seed": true, "average_exscore": 12.9})",
       "[] [] main=1 pair=0,0 flag=0 seed=1 avg=12"},
      {R"({"ghost_data": {"a": 1}, "display_name": 5, "random_seed": 1e300})",
       "[] [] main=1 pair=0,0 flag=0 seed=2147483647 avg=0"},
      {R"([1, 2])", "[] [] main=1 pair=0,0 flag=0 seed=-1 avg=0"},
      {"", "[] [] main=0 pair=0,0 flag=0 seed=-1 avg=0"},
      {"<html>busy</html>", "[] [] main=0 pair=0,0 flag=0 seed=-1 avg=0"},
      {R"({"display_name": "cut)", "[] [] main=0 pair=0,0 flag=0 seed=-1 avg=0"},
      {R"({"ghost_data": "a" /* note */})", "[] [] main=0 pair=0,0 flag=0 seed=-1 avg=0"},
  };
  for (const auto& row : rows) {
    Script({.status_code = 200, .body = row.reply});
    IRGhostResult result;
    result.display_name = "stale";
    result.random_seed = 99;
    EXPECT_EQ(Fetch("abc", GhostMode::Top, 0, result), HttpStatus::Ok) << row.reply;
    EXPECT_EQ(Describe(result), row.record) << row.reply;
  }
}

TEST_F(GhostFetchTest, RequestCarriesModeWordAndTarget) {
  const struct {
    std::string hash;
    std::int32_t mode;
    std::int32_t target;
    std::u16string target_path;
  } rows[] = {
      {"abc", 1, 0, u"/api/chart/ghost?hash=abc&target_player_id=0&mode=top"},
      {"abc", 2, 0, u"/api/chart/ghost?hash=abc&target_player_id=0&mode=next"},
      {"abc", 3, 9, u"/api/chart/ghost?hash=abc&target_player_id=9&mode=average"},
      {"abc", 0, -5, u"/api/chart/ghost?hash=abc&target_player_id=-5&mode=target"},
      {"abc", 4, 1, u"/api/chart/ghost?hash=abc&target_player_id=1&mode=target"},
      {"abc", -1, 1, u"/api/chart/ghost?hash=abc&target_player_id=1&mode=target"},
      {"a b", 1, 0, u"/api/chart/ghost?hash=a%20b&target_player_id=0&mode=top"},
      {std::string(64, 'c'), 1, 0,
       u"/api/chart/ghost?hash=" + std::u16string(64, u'c') + u"&target_player_id=0&mode=top"},
  };
  for (const auto& row : rows) {
    auto s = Script({.status_code = 200, .body = "{}"});
    IRGhostResult result;
    EXPECT_EQ(Fetch(row.hash, static_cast<GhostMode>(row.mode), row.target, result),
              HttpStatus::Ok);
    EXPECT_EQ(s->verb, u"GET");
    EXPECT_EQ(s->target, row.target_path);
  }
}

TEST_F(GhostFetchTest, FailedAttemptsLeaveTheRecordUntouched) {
  Script({.status_code = 404, .body = R"({"display_name": "Ann", "random_seed": 3})"});
  IRGhostResult result;
  result.display_name = "as passed";
  EXPECT_EQ(Fetch("abc", GhostMode::Top, 0, result), HttpStatus::Fail);
  EXPECT_EQ(result.display_name, "as passed");
  EXPECT_EQ(used_exchanges.size(), 1u);

  for (int i = 0; i < 4; ++i) Script({.status_code = 503, .body = R"({"random_seed": 3})"});
  EXPECT_EQ(Fetch("abc", GhostMode::Top, 0, result), HttpStatus::Retry);
  EXPECT_EQ(result.display_name, "as passed");
  EXPECT_EQ(used_exchanges.size(), 5u);

  Script({.status_code = 503});
  Script({.status_code = 200, .body = R"({"random_seed": 3})"});
  EXPECT_EQ(Fetch("abc", GhostMode::Top, 0, result), HttpStatus::Ok);
  EXPECT_EQ(Describe(result), "[] [] main=1 pair=0,0 flag=0 seed=3 avg=0");
}

}  // namespace
}  // namespace qir
