#include "reply_lint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qir::host {
namespace {

// A board of one row that gives every member under its snake_case name, with the
// text to put in front of the row's closing brace and of the board's.
std::string Board(const std::string& top, const std::string& row = "") {
  return R"({"entries": [{"rank": 1, "player_id": 5, "display_name": "A", "exscore": 9,
      "notes": 5, "clear_type": 2, "pgreat": 4, "great": 1, "good": 0, "bad": 0, "poor": 0,
      "maxcombo": 5, "minbp": 0, "playcount": 1, "option_packed": 0, "keymode": 7)" +
         row + R"(}], "player_count": 1, "total_playcount": 1,
      "clear_distribution": [0, 0, 1, 0, 0, 0], "my_rank": 1, "my_player_id": 5)" + top + "}";
}

std::string Ghost(const std::string& extra) {
  return R"({"display_name": "A", "ghost_data": "g", "option_packed": 0, "random_seed": 3,
      "average_exscore": 0)" + extra + "}";
}

TEST(ReplyLint, NamesEachDefaultAndEachOtherName) {
  struct Row {
    Reply reply;
    std::string body;
    std::vector<std::string> problems;
    std::vector<std::string> other_names = {};
  };
  const std::vector<Row> rows = {
      {Reply::Board, Board(""), {}},
      // A time of making may be left out; a mistyped one may not.
      {Reply::Board, Board(R"(, "fetched_at": "now")"),
       {"fetched_at: a string, the time the reply arrived taken"}},
      // Later keys of an object win, as the parser reads them.
      {Reply::Board, Board(R"(, "total_playcount": null, "totalPlaycount": 2, "rank": 3)"),
       {}, {"totalPlaycount"}},
      {Reply::Board, Board(R"(, "clear_distribution": [1, 2, "x", 4, 5], "my_rank": 1.5)"),
       {"clear_distribution: an array of 5 (6 needed), six zeros taken",
        "my_rank: a fraction, read as 1"}},
      {Reply::Board, Board(R"(, "clear_distribution": [1, 2, "x", 4, 5, 6], "my_player_id": true)"),
       {"clear_distribution: element 2 is a string, read as 0",
        "my_player_id: a boolean, read as 1"}},
      {Reply::Board,
       Board("", R"(, "exscore": "9", "clear_type": 7, "notes": 5000000000, "playerId": 6)"),
       {"exscore: a string, 0 taken in 1 of 1 row",
        "notes: 5000000000 does not fit in 32 bits, read as 705032704 in 1 of 1 row",
        "clear_type: 7 is outside 0 to 5, 0 shown in 1 of 1 row"}},
      // Every member in camelCase, and a row that is no object.
      {Reply::Board,
       R"({"entries": [{"rank": 1, "playerId": 5, "displayName": "A", "exscore": 9, "notes": 5,
           "clearType": 2, "pgreat": 4, "great": 1, "good": 0, "bad": 0, "poor": 0,
           "maxcombo": 5, "minbp": 0, "playcount": 1, "optionPacked": 0, "keymode": 7}, 2],
           "playerCount": 1, "totalPlaycount": 1, "clearDistribution": [0, 0, 1, 0, 0, 0],
           "myRank": 1, "myPlayerId": 5})",
       {"clear_distribution: absent, six zeros taken (clearDistribution stands there, which "
        "the plugin does not read)",
        "entries: 1 of 2 elements are not objects, left out"},
       {"playerCount", "totalPlaycount", "myRank", "myPlayerId", "playerId in 1 of 1 row",
        "displayName in 1 of 1 row", "clearType in 1 of 1 row", "optionPacked in 1 of 1 row"}},
      {Reply::Board, "[]", {"the reply is an array, not an object: every member takes its default"}},
      {Reply::Ghost, Ghost(""), {}},
      {Reply::Ghost, R"({"displayName": "A", "ghost_data": ["g"], "optionPacked": 1,
                         "random_seed": null, "randomSeed": "3", "averageExscore": 0})",
       {"ghost_data: an array, an empty string taken", "random_seed: null, -1 taken"},
       {"displayName", "optionPacked", "averageExscore"}},
      {Reply::Login, R"({"logged_in": true})", {}},
      {Reply::Login, R"({"loggedIn": true})",
       {"logged_in: absent, false taken (loggedIn stands there, which the plugin does not read)"}},
  };
  for (const Row& row : rows) {
    const LintReport lint = LintReply(row.body, row.reply);
    EXPECT_TRUE(lint.is_json) << row.body;
    EXPECT_EQ(lint.problems, row.problems) << row.body;
    EXPECT_EQ(lint.other_names, row.other_names) << row.body;
  }
  EXPECT_FALSE(LintReply("{\"entries\": [", Reply::Board).is_json);
}

TEST(ReplyLint, LoginFlagReadsTheLookalikes) {
  EXPECT_EQ(LoginFlag(R"({"logged_in": false})"), false);
  EXPECT_EQ(LoginFlag(R"({"LoggedIn": true})"), true);
  EXPECT_EQ(LoginFlag(R"({"logged_in": "true"})"), std::nullopt);
  EXPECT_EQ(LoginFlag("not json"), std::nullopt);
}

}  // namespace
}  // namespace qir::host
