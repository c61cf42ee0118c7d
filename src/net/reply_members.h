// Every member the plugin reads from the IR server's replies, with every name it reads
// it under: the one table the reply parsers take their keys from, and from which
// `quorvane-host check-server` lints a server's replies and docs/operators.md lists them.
#ifndef QUORVANE_NET_REPLY_MEMBERS_H
#define QUORVANE_NET_REPLY_MEMBERS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

namespace qir {

enum class Reply : std::uint8_t {
  Login,       // GET /api/ir/login
  Board,       // GET /api/chart/board and /api/course/board, top level
  BoardEntry,  // each object of the board's "entries"
  Ghost,       // GET /api/chart/ghost
};

// The values a member is read from; any other value counts as absent.
enum class MemberKind : std::uint8_t {
  Boolean,  // true or false
  Integer,  // a number, a fraction cut off, or a boolean as 1 or 0 (JsonToInt)
  Seconds,  // a number of seconds since 1970, a fraction cut off (JsonToInt64)
  Text,     // a string
  Counts,   // an array of at least six numbers, of which the first six are read
  Rows,     // an array, of which the objects are read as rows
};

struct ReplyMember {
  Reply reply = Reply::Login;
  std::string_view name{};   // snake_case: read first
  std::string_view camel{};  // its camelCase twin, read next; empty where none is read
  std::array<std::string_view, 2> alternates{};  // read after the twins, in this order
  MemberKind kind = MemberKind::Integer;
  std::int32_t fallback = 0;  // Integer: taken when no name holds a usable value
  // Integer: the values the plugin shows as they came; outside them it shows the fallback.
  std::int32_t low = std::numeric_limits<std::int32_t>::min();
  std::int32_t high = std::numeric_limits<std::int32_t>::max();
  bool optional = false;  // a reply may leave it out: the fallback then is what it means
  std::string_view use{};  // what the plugin does with it, for the operator
};

inline constexpr ReplyMember kReplyMembers[] = {
    {.reply = Reply::Login, .name = "logged_in", .kind = MemberKind::Boolean,
     .use = "true logs the player in; anything else, or nothing, does not"},

    // Board members in the order servers write them: the parser looks for each key
    // from the one found last on.
    {.reply = Reply::Board, .name = "entries", .kind = MemberKind::Rows,
     .use = "the board's rows, in the order shown"},
    {.reply = Reply::Board, .name = "player_count", .camel = "playerCount",
     .alternates = {"total_player", "totalPlayer"},
     .use = "players on the board"},
    {.reply = Reply::Board, .name = "total_playcount", .camel = "totalPlaycount",
     .use = "plays of the chart in all"},
    {.reply = Reply::Board, .name = "clear_distribution", .kind = MemberKind::Counts,
     .use = "players by clear type, NO PLAY to FULL COMBO"},
    {.reply = Reply::Board, .name = "my_rank", .camel = "myRank", .alternates = {"rank"},
     .use = "the player's own rank, 0 when not on the board; rank is taken when my_rank and "
            "myRank give no positive number"},
    {.reply = Reply::Board, .name = "my_player_id", .camel = "myPlayerId",
     .use = "the player's own id, kept in the cache file"},
    {.reply = Reply::Board, .name = "fetched_at", .kind = MemberKind::Seconds, .optional = true,
     .use = "when the board was made; without it, the time it arrived"},

    {.reply = Reply::BoardEntry, .name = "rank", .use = "the row's rank, kept in the cache file"},
    {.reply = Reply::BoardEntry, .name = "player_id", .camel = "playerId",
     .use = "the row's player id"},
    {.reply = Reply::BoardEntry, .name = "display_name", .camel = "displayName",
     .kind = MemberKind::Text, .use = "the row's player name"},
    {.reply = Reply::BoardEntry, .name = "exscore", .use = "EX score, kept in the cache file"},
    {.reply = Reply::BoardEntry, .name = "notes", .use = "the chart's notes"},
    {.reply = Reply::BoardEntry, .name = "clear_type", .camel = "clearType", .low = 0, .high = 5,
     .use = "clear type, 0 NO PLAY to 5 FULL COMBO; the host shows any other as 0"},
    {.reply = Reply::BoardEntry, .name = "pgreat", .use = "PGREAT count"},
    {.reply = Reply::BoardEntry, .name = "great", .use = "GREAT count"},
    {.reply = Reply::BoardEntry, .name = "good", .use = "GOOD count"},
    {.reply = Reply::BoardEntry, .name = "bad", .use = "BAD count"},
    {.reply = Reply::BoardEntry, .name = "poor", .use = "POOR count"},
    {.reply = Reply::BoardEntry, .name = "maxcombo", .use = "longest combo"},
    {.reply = Reply::BoardEntry, .name = "minbp", .use = "miss count (BAD and POOR)"},
    {.reply = Reply::BoardEntry, .name = "playcount", .use = "the row's player's plays"},
    {.reply = Reply::BoardEntry, .name = "option_packed", .camel = "optionPacked",
     .use = "play options as decimal digits, kept in the cache file"},
    {.reply = Reply::BoardEntry, .name = "keymode", .use = "key mode, kept in the cache file"},

    {.reply = Reply::Ghost, .name = "display_name", .camel = "displayName",
     .kind = MemberKind::Text, .use = "the ghost's player name"},
    {.reply = Reply::Ghost, .name = "ghost_data", .camel = "ghostData", .kind = MemberKind::Text,
     .use = "the ghost itself, handed to the host unchanged"},
    {.reply = Reply::Ghost, .name = "option_packed", .camel = "optionPacked",
     .use = "options as decimal digits: units the main option, tens and hundreds the pair, "
            "thousands the flag; 0 or less: none"},
    {.reply = Reply::Ghost, .name = "random_seed", .camel = "randomSeed", .fallback = -1,
     .use = "the ghost's random seed; -1: none"},
    {.reply = Reply::Ghost, .name = "average_exscore", .camel = "averageExscore",
     .use = "the board's mean EX score, for mode average"},
};

// A member's names in the order they are read.
struct MemberNames {
  std::array<std::string_view, 4> names{};
  std::size_t count = 0;

  constexpr const std::string_view* begin() const { return names.data(); }
  constexpr const std::string_view* end() const { return names.data() + count; }
  constexpr std::size_t size() const { return count; }
  constexpr std::string_view operator[](std::size_t i) const { return names[i]; }
  constexpr operator std::span<const std::string_view>() const { return {begin(), count}; }
};

constexpr MemberNames NamesOf(const ReplyMember& member) {
  MemberNames out;
  out.names[out.count++] = member.name;
  if (!member.camel.empty()) out.names[out.count++] = member.camel;
  for (std::size_t i = 0; i < member.alternates.size(); ++i) {
    if (!member.alternates[i].empty()) out.names[out.count++] = member.alternates[i];
  }
  return out;
}

// The snake_case name and its camelCase twin, without the alternates.
constexpr std::size_t TwinCount(const ReplyMember& member) { return member.camel.empty() ? 1 : 2; }

// The members of one reply, in table order.
constexpr std::size_t MemberCount(Reply reply) {
  std::size_t count = 0;
  for (const ReplyMember& member : kReplyMembers) count += member.reply == reply ? 1 : 0;
  return count;
}

template <Reply kReply>
constexpr std::array<const ReplyMember*, MemberCount(kReply)> MembersOf() {
  std::array<const ReplyMember*, MemberCount(kReply)> out{};
  std::size_t i = 0;
  for (const ReplyMember& member : kReplyMembers) {
    if (member.reply == kReply) out[i++] = &member;
  }
  return out;
}

// The member of a reply by its snake_case name. A name the table does not hold is no
// constant, so a parser that asks for one does not compile.
consteval const ReplyMember& Member(Reply reply, std::string_view name) {
  for (const ReplyMember& member : kReplyMembers) {
    if (member.reply == reply && member.name == name) return member;
  }
  throw "no such reply member";
}

}  // namespace qir

#endif
