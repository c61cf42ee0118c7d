#include "ranking/board_fetch.h"

#include <cstring>
#include <sstream>

#include "fake_os.h"
#include "ranking/rank_cache.h"

namespace qir {
namespace {

using testing::FakeExchangeScript;
using testing::FakeOsTest;
using Lines = std::vector<std::string>;

// The whole host record in one line; rows that had a host-only field touched say so.
std::string Describe(const IRRankResult& r) {
  std::ostringstream out;
  out << "rank=" << r.my_rank << " players=" << r.player_count << " plays=" << r.total_playcount
      << " at=" << r.fetched_at << " dist=";
  for (const std::int32_t count : r.clear_distribution) out << count << ',';
  if (r.host_value != 0) out << " HOST-FIELD";
  for (const IRRankEntry& e : r.entries) {
    out << " [" << e.display_name << ' ' << e.player_id << ' ' << e.playcount << ' '
        << e.clear_type << ' ' << e.notes << ' ' << e.maxcombo << ' ' << e.pgreat << ' '
        << e.great << ' ' << e.good << ' ' << e.bad << ' ' << e.poor << ' ' << e.minbp << ']';
    const IRRankEntry fresh;
    if (!e.host_text.empty() || e.host_value != 0 || e.host_counter != 0 || e.host_index != -1 ||
        std::memcmp(e.host_wide, fresh.host_wide, sizeof e.host_wide) != 0 ||
        std::memcmp(e.host_flags, fresh.host_flags, sizeof e.host_flags) != 0 ||
        std::memcmp(e.host_times, fresh.host_times, sizeof e.host_times) != 0) {
      out << "HOST-FIELD";
    }
  }
  return out.str();
}

IRRankResult FilledRecord() {
  IRRankResult r;
  r.entries.resize(2);
  r.my_rank = 3;
  r.fetched_at = 9;
  return r;
}

class BoardFetchTest : public FakeOsTest {
 protected:
  void SetUp() override {
    FakeOsTest::SetUp();
    now_text = std::to_string(now);
  }
  HttpStatus Fetch(std::string_view hash, IRRankResult& result) {
    return GetRankFromNetwork(hash, "key123", result);
  }
  std::string CacheFile(std::string_view hash) const { return ReadFile(RankCacheFilePath(hash)); }
  bool HasCacheFile(std::string_view hash) const {
    return std::filesystem::exists(RankCacheFilePath(hash));
  }
  std::string now_text;
};

// The file of a board with nothing in it, for the hash "abc".
std::string File(const std::string& now, const std::string& entries = "",
                 const std::string& dist = "0,0,0,0,0,0", const std::string& tail =
                     R"("my_rank":0,"player_count":0,"rank":0)") {
  return R"({"clear_distribution":[)" + dist + R"(],"entries":[)" + entries +
         R"(],"fetched_at":)" + now + R"(,"hash":"abc",)" + tail + "}";
}

TEST_F(BoardFetchTest, RepliesGiveTheHostRecordAndTheCacheFile) {
  const std::string at = " at=" + now_text;
  const std::string zero = " dist=0,0,0,0,0,0,";
  struct Row {
    const char* reply;
    std::string record;
    std::string file;
  };
  const Row rows[] = {
      {"{}", "rank=0 players=0 plays=0" + at + zero, File(now_text)},
      {"[1, 2]", "rank=0 players=0 plays=0" + at + zero, File(now_text)},
      {R"({"rank": 3, "my_rank": 5})", "rank=5 players=0 plays=0" + at + zero,
       File(now_text, "", "0,0,0,0,0,0", R"("my_rank":5,"player_count":0,"rank":5)")},
      {R"({"rank": 3, "my_rank": 0})", "rank=3 players=0 plays=0" + at + zero,
       File(now_text, "", "0,0,0,0,0,0", R"("my_rank":3,"player_count":0,"rank":3)")},
      {R"({"rank": "3", "myRank": 4})", "rank=4 players=0 plays=0" + at + zero,
       File(now_text, "", "0,0,0,0,0,0", R"("my_rank":4,"player_count":0,"rank":4)")},
      {R"({"player_count": 10, "total_player": 20})", "rank=0 players=10 plays=0" + at + zero,
       File(now_text, "", "0,0,0,0,0,0", R"("my_rank":0,"player_count":10,"rank":0)")},
      {R"({"totalPlayer": 20})", "rank=0 players=20 plays=0" + at + zero,
       File(now_text, "", "0,0,0,0,0,0", R"("my_rank":0,"player_count":20,"rank":0)")},
      {R"({"player_count": -3})", "rank=0 players=-3 plays=0" + at + zero,
       File(now_text, "", "0,0,0,0,0,0", R"("my_rank":0,"player_count":-3,"rank":0)")},
      {R"({"player_count": null, "playerCount": 7.9})", "rank=0 players=7 plays=0" + at + zero,
       File(now_text, "", "0,0,0,0,0,0", R"("my_rank":0,"player_count":7,"rank":0)")},
      {R"({"player_count": 1e300})", "rank=0 players=2147483647 plays=0" + at + zero,
       File(now_text, "", "0,0,0,0,0,0", R"("my_rank":0,"player_count":2147483647,"rank":0)")},
      {R"({"clear_distribution": [1, 2, 3, 4, 5]})", "rank=0 players=0 plays=0" + at + zero,
       File(now_text)},
      {R"({"clear_distribution": [1, 2, 3, 4, 5, 6, 7]})",
       "rank=0 players=0 plays=0" + at + " dist=1,2,3,4,5,6,", File(now_text, "", "1,2,3,4,5,6")},
      {R"({"clear_distribution": ["1", null, [1], {"a": 1}, 4.9, true]})",
       "rank=0 players=0 plays=0" + at + " dist=0,0,0,0,4,1,", File(now_text, "", "0,0,0,0,4,1")},
      {R"({"total_playcount": 0, "my_player_id": 0})", "rank=0 players=0 plays=0" + at + zero,
       File(now_text)},
      {R"({"total_playcount": -4, "my_player_id": -2})", "rank=0 players=0 plays=-4" + at + zero,
       File(now_text)},
      {R"({"totalPlaycount": 9, "myPlayerId": 42})", "rank=0 players=0 plays=9" + at + zero,
       File(now_text, "", "0,0,0,0,0,0",
            R"("my_player_id":42,"my_rank":0,"player_count":0,"rank":0,"total_playcount":9)")},
      {R"({"fetched_at": 100})", "rank=0 players=0 plays=0 at=100" + zero, File(now_text)},
      {R"({"entries": [1, {"rank": 1, "playerId": 42, "displayName": "Ann"}, "s"]})",
       "rank=0 players=0 plays=0" + at + zero + " [Ann 42 0 0 0 0 0 0 0 0 0 0]",
       File(now_text,
            R"({"bad":0,"clear_type":0,"display_name":"Ann","exscore":0,"good":0,"great":0,)"
            R"("keymode":0,"maxcombo":0,"minbp":0,"notes":0,"option_packed":0,"pgreat":0,)"
            R"("playcount":0,"player_id":42,"poor":0,"rank":1})")},
      // Clear types outside 0 to 5 stay in the file and read as 0 in the host's rows;
      // rows of one player are all kept.
      {R"({"entries": [{"clear_type": 9, "display_name": 5, "displayName": "B\u00f6", "player_id": 7},
                       {"clearType": 5, "player_id": 7}, {"clear_type": -1}]})",
       "rank=0 players=0 plays=0" + at + zero +
           " [B\xC3\xB6 7 0 0 0 0 0 0 0 0 0 0] [ 7 0 5 0 0 0 0 0 0 0 0] [ 0 0 0 0 0 0 0 0 0 0 0]",
       File(now_text,
            "{\"bad\":0,\"clear_type\":9,\"display_name\":\"B\xC3\xB6\",\"exscore\":0,\"good\":0,"
            R"("great":0,"keymode":0,"maxcombo":0,"minbp":0,"notes":0,"option_packed":0,)"
            R"("pgreat":0,"playcount":0,"player_id":7,"poor":0,"rank":0},)"
            R"({"bad":0,"clear_type":5,"display_name":"","exscore":0,"good":0,"great":0,)"
            R"("keymode":0,"maxcombo":0,"minbp":0,"notes":0,"option_packed":0,"pgreat":0,)"
            R"("playcount":0,"player_id":7,"poor":0,"rank":0},)"
            R"({"bad":0,"clear_type":-1,"display_name":"","exscore":0,"good":0,"great":0,)"
            R"("keymode":0,"maxcombo":0,"minbp":0,"notes":0,"option_packed":0,"pgreat":0,)"
            R"("playcount":0,"player_id":0,"poor":0,"rank":0})")},
      {R"({"rank": 2, "player_count": 2, "entries": [{"rank": 1, "player_id": 5, "exscore": 1800,
           "notes": 1000, "clear_type": 4, "pgreat": 700, "great": 400, "good": 3, "bad": 2,
           "poor": 1, "maxcombo": 900, "minbp": 3, "playcount": 12, "optionPacked": 1234,
           "keymode": 7, "display_name": "Top"}]})",
       "rank=2 players=2 plays=0" + at + zero + " [Top 5 12 4 1000 900 700 400 3 2 1 3]",
       File(now_text,
            R"({"bad":2,"clear_type":4,"display_name":"Top","exscore":1800,"good":3,"great":400,)"
            R"("keymode":7,"maxcombo":900,"minbp":3,"notes":1000,"option_packed":1234,)"
            R"("pgreat":700,"playcount":12,"player_id":5,"poor":1,"rank":1})",
            "0,0,0,0,0,0", R"("my_rank":2,"player_count":2,"rank":2)")},
  };
  for (const Row& row : rows) {
    std::filesystem::remove_all(dir() / "IR");
    Script({.status_code = 200, .body = row.reply});
    IRRankResult result = FilledRecord();
    EXPECT_EQ(Fetch("abc", result), HttpStatus::Ok) << row.reply;
    EXPECT_EQ(Describe(result), row.record) << row.reply;
    EXPECT_EQ(CacheFile("abc"), row.file) << row.reply;

    // The file reads back as the same board, dated when it was written; a total play
    // count below 1, which the file leaves out, reads back as 0.
    now += 10;
    IRRankResult cached = FilledRecord();
    ASSERT_TRUE(ReadRankCache("abc", cached)) << row.reply;
    result.fetched_at = now - 10;
    if (result.total_playcount < 0) result.total_playcount = 0;
    EXPECT_EQ(Describe(cached), Describe(result)) << row.reply;
    now -= 10;
  }
  EXPECT_FALSE(std::filesystem::exists(dir() / "debug.log.old"));
}

TEST_F(BoardFetchTest, BodiesThatAreNotJsonFailWithoutACache) {
  for (const std::string body : {"<html>ab", "", R"({"entries": [)", "{} /* c */"}) {
    std::filesystem::remove(dir() / "debug.log");
    Script({.status_code = 200, .body = body});
    IRRankResult result = FilledRecord();
    EXPECT_EQ(Fetch("abc", result), HttpStatus::Fail) << body;
    EXPECT_EQ(Describe(result), Describe(IRRankResult{})) << body;
    EXPECT_EQ(LogLines().back(), "WARN | board_parse_fail | body_size=" + std::to_string(body.size()));
    EXPECT_FALSE(HasCacheFile("abc")) << body;
  }
  EXPECT_TRUE(sleeps.empty());
}

TEST_F(BoardFetchTest, FailedAttemptsLeaveTheRecordEmpty) {
  Script({.status_code = 404, .body = R"({"entries": [{"player_id": 1}], "player_count": 1})"});
  IRRankResult result = FilledRecord();
  EXPECT_EQ(Fetch("abc", result), HttpStatus::Fail);
  EXPECT_EQ(Describe(result), Describe(IRRankResult{}));
  EXPECT_FALSE(HasCacheFile("abc"));

  for (int i = 0; i < 4; ++i) Script({.status_code = 503, .body = R"({"player_count": 1})"});
  result = FilledRecord();
  EXPECT_EQ(Fetch("abc", result), HttpStatus::Retry);
  EXPECT_EQ(Describe(result), Describe(IRRankResult{}));
  EXPECT_EQ(sleeps, (std::vector<std::uint32_t>{1000, 2000, 4000, 4000}));
  EXPECT_EQ(used_exchanges.size(), 5u);

  Script({.status_code = 500});
  Script({.status_code = 200, .body = R"({"player_count": 4})"});
  EXPECT_EQ(Fetch("abc", result), HttpStatus::Ok);
  EXPECT_EQ(result.player_count, 4);
  EXPECT_TRUE(HasCacheFile("abc"));
}

TEST_F(BoardFetchTest, RequestNamesTheBoardByHash) {
  const struct {
    std::string hash;
    const char16_t* path;
    std::u16string query;
  } rows[] = {
      {std::string(63, 'a'), u"/api/chart/board", u"hash=" + std::u16string(63, u'a')},
      {std::string(64, 'a'), u"/api/course/board", u"hash=" + std::u16string(64, u'a')},
      {"a b/\xC3\xA9", u"/api/chart/board", u"hash=a%20b%2F%C3%A9"},
  };
  for (const auto& row : rows) {
    auto s = Script({.status_code = 200, .body = "{}"});
    IRRankResult result;
    EXPECT_EQ(Fetch(row.hash, result), HttpStatus::Ok);
    EXPECT_EQ(s->verb, u"GET");
    EXPECT_EQ(s->target, row.path + (u"?" + row.query + u"&limit=999&offset=0"));
    EXPECT_TRUE(HasCacheFile(row.hash));
  }
}

TEST_F(BoardFetchTest, HashThatIsNotUtf8IsStillCached) {
  Script({.status_code = 200, .body = R"({"player_count": 3})"});
  IRRankResult result;
  EXPECT_EQ(Fetch("a\xFF" "b", result), HttpStatus::Ok);
  EXPECT_EQ(result.player_count, 3);
  EXPECT_EQ(CacheFile("a\xFF" "b"),
            "{\"clear_distribution\":[0,0,0,0,0,0],\"entries\":[],\"fetched_at\":" + now_text +
                ",\"hash\":\"a\xEF\xBF\xBD" "b\",\"my_rank\":0,\"player_count\":3,\"rank\":0}");
  EXPECT_TRUE(std::filesystem::exists(dir() / "IR" / "a_b.json"));
}

TEST_F(BoardFetchTest, UnwritableCacheStillGivesTheBoard) {
  WriteFile(dir() / "IR", "a file where the folder should be");
  Script({.status_code = 200, .body = R"({"player_count": 3})"});
  IRRankResult result;
  EXPECT_EQ(Fetch("abcdefghij", result), HttpStatus::Ok);
  EXPECT_EQ(result.player_count, 3);
  EXPECT_EQ(LogLines().back(), "WARN | rank_cache_write_fail | hash8=abcdefgh");
}

}  // namespace
}  // namespace qir
