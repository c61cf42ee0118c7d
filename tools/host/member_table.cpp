#include "member_table.h"

#include <limits>

namespace qir::host {
namespace {

std::string Code(std::string_view text) { return std::string("`").append(text).append("`"); }

bool HasRange(const ReplyMember& member) {
  return member.low != std::numeric_limits<std::int32_t>::min() ||
         member.high != std::numeric_limits<std::int32_t>::max();
}

}  // namespace

std::string_view ReplyName(Reply reply) {
  switch (reply) {
    case Reply::Login:
      return "login";
    case Reply::Board:
      return "board";
    case Reply::BoardEntry:
      return "board row";
    case Reply::Ghost:
      return "ghost";
  }
  return "?";
}

std::string KindText(const ReplyMember& member) {
  switch (member.kind) {
    case MemberKind::Boolean:
      return "`true` or `false`";
    case MemberKind::Integer:
      if (!HasRange(member)) return "number or boolean";
      return "number or boolean, shown when " + std::to_string(member.low) + " to " +
             std::to_string(member.high);
    case MemberKind::Seconds:
      return "number, seconds since 1970";
    case MemberKind::Text:
      return "string";
    case MemberKind::Counts:
      return "array of six numbers or more";
    case MemberKind::Rows:
      return "array of board rows";
  }
  return "?";
}

std::string FallbackText(const ReplyMember& member) {
  switch (member.kind) {
    case MemberKind::Boolean:
      return "false";
    case MemberKind::Integer:
      return std::to_string(member.fallback);
    case MemberKind::Seconds:
      return "the time the reply arrived";
    case MemberKind::Text:
      return "an empty string";
    case MemberKind::Counts:
      return "six zeros";
    case MemberKind::Rows:
      return "no rows";
  }
  return "?";
}

std::string ReplyMembersMarkdown() {
  std::string table =
      "| reply | member | also read as, in this order | value | without it | what the plugin "
      "does with it |\n|---|---|---|---|---|---|\n";
  for (const ReplyMember& member : kReplyMembers) {
    const MemberNames names = NamesOf(member);
    std::string others;
    for (std::size_t i = 1; i < names.size(); ++i) {
      others += (i > 1 ? ", " : "") + Code(names[i]);
    }
    std::string fallback = FallbackText(member);
    if (member.optional) fallback += " (a reply may leave it out)";
    table += "| " + std::string(ReplyName(member.reply)) + " | " + Code(member.name) + " | " +
             (others.empty() ? "-" : others) + " | " + KindText(member) + " | " + fallback +
             " | " + std::string(member.use) + " |\n";
  }
  return table;
}

}  // namespace qir::host
