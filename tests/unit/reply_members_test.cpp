// The table of reply members is what the parsers read and what the operator's guide
// lists: every name in it is read, and docs/operators.md shows it as it stands.
#include "net/reply_members.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "fake_os.h"
#include "ghost/ghost_fetch.h"
#include "member_table.h"
#include "plugin/login.h"
#include "ranking/board_parser.h"
#include "ranking/rank_cache.h"
#include "records_json.h"
#include "utf8_path.h"

namespace qir {
namespace {

using nlohmann::json;

// A value of the member's kind that no default equals.
json Sample(const ReplyMember& member) {
  switch (member.kind) {
    case MemberKind::Boolean:
      return true;
    case MemberKind::Text:
      return "seven";
    case MemberKind::Counts:
      return json::array({1, 2, 3, 4, 5, 6});
    case MemberKind::Rows:
      return json::array();
    default:
      return 3;
  }
}

// What the plugin read for the member from a reply holding only value under one name,
// under the member's own name; the board as its cache file writes it.
json BoardRead(const ReplyMember& member, std::string_view name, const json& value) {
  const json reply = member.reply == Reply::Board ? json{{name, value}}
                                                  : json{{"entries", {{{name, value}}}}};
  IRRankResult result;
  BoardStats stats;
  Board board;
  EXPECT_TRUE(ParseBoard(reply.dump(), true, result, stats, board));
  if (member.kind == MemberKind::Seconds) return result.fetched_at;
  const json file = json::parse(RankCacheDocument("h", result, stats, board, 0));
  return member.reply == Reply::Board ? file.value(member.name, json()) : file["entries"][0][member.name];
}

class ReplyMembers : public testing::FakeOsTest {
 protected:
  json GhostRead(const ReplyMember& member, std::string_view name, const json& value) {
    Script({.body = json{{name, value}}.dump()});
    IRGhostResult ghost;
    EXPECT_EQ(GhostFetchAttempt("q", "key", ghost), HttpStatus::Ok);
    // The packed options come back decoded: 3 is main option 4.
    if (member.name == "option_packed") return ghost.option_main == 4 ? json(3) : json(nullptr);
    return host::GhostJson(ghost)[member.name];
  }
};

TEST_F(ReplyMembers, EveryNameInTheTableIsRead) {
  for (const ReplyMember& member : kReplyMembers) {
    if (member.kind == MemberKind::Rows) continue;  // the rows read below are its proof
    const json value = Sample(member);
    for (const std::string_view name : NamesOf(member)) {
      json read;
      switch (member.reply) {
        case Reply::Login:
          read = LoginReplySaysLoggedIn(json{{name, value}}.dump());
          break;
        case Reply::Board:
        case Reply::BoardEntry:
          read = BoardRead(member, name, value);
          break;
        case Reply::Ghost:
          read = GhostRead(member, name, value);
          break;
      }
      EXPECT_EQ(read, value) << host::ReplyName(member.reply) << " " << member.name << " as " << name;
    }
  }
}

TEST(OperatorsGuide, ShowsTheMemberTable) {
  std::ifstream in(host::Utf8Path(QUORVANE_SOURCE_DIR) / "docs" / "operators.md", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const std::string guide = text.str();
  const std::string table = host::ReplyMembersMarkdown();
  const std::size_t at = guide.find(table);
  ASSERT_NE(at, std::string::npos) << "docs/operators.md lacks this table as it stands:\n" << table;
  EXPECT_TRUE(at >= 2 && guide.compare(at - 2, 2, "\n\n") == 0) << "a row stands before it";
  const std::size_t after = at + table.size();
  EXPECT_TRUE(after == guide.size() || guide[after] == '\n') << "a row follows:\n" << table;
}

}  // namespace
}  // namespace qir
