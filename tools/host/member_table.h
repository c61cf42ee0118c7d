// The plugin's table of reply members (src/net/reply_members.h) in an operator's words:
// what each kind of value is, what the plugin takes without it, and the table of
// docs/operators.md, which a test holds to this one.
#ifndef QUORVANE_HOST_MEMBER_TABLE_H
#define QUORVANE_HOST_MEMBER_TABLE_H

#include <string>
#include <string_view>

#include "net/reply_members.h"

namespace qir::host {

// "login", "board", "board row", "ghost".
std::string_view ReplyName(Reply reply);

// The values the member is read from, such as "number or boolean".
std::string KindText(const ReplyMember& member);

// What the plugin takes when no name holds a usable value: "0", "an empty string", ...
std::string FallbackText(const ReplyMember& member);

// docs/operators.md's table of reply members, as Markdown.
std::string ReplyMembersMarkdown();

}  // namespace qir::host

#endif
