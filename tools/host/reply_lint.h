// A server's reply held against the plugin's table of reply members: for each member
// the plugin reads, the name it came under, or why the plugin took its default.
#ifndef QUORVANE_HOST_REPLY_LINT_H
#define QUORVANE_HOST_REPLY_LINT_H

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/reply_members.h"

namespace qir::host {

enum class Came { Name, Camel, Alternate, Nowhere };

struct MemberReading {
  const ReplyMember* member = nullptr;
  Came came = Came::Nowhere;
  std::string_view key;  // the name it came under
  // Empty when read as it came; otherwise what the plugin made of it, such as
  // "absent: 0 taken" or "a fraction, read as 12".
  std::string problem;
};

// Every member of the reply, read from one object (a board row: one element of entries).
std::vector<MemberReading> ReadMembers(const nlohmann::json& object, Reply reply);

struct LintReport {
  bool is_json = false;
  std::size_t rows = 0;               // board rows read
  std::vector<std::string> problems;  // one per member and problem, rows counted
  std::vector<std::string> other_names;  // members that came under a twin or an alternate
};

// The whole reply: for a board its top level and each row. Optional members may be
// left out without a problem.
LintReport LintReply(std::string_view body, Reply reply);

// "logged_in", or a member named like it but for case and underscores, when it holds a
// boolean: how the server meant its login reply, whatever the plugin reads.
std::optional<bool> LoginFlag(std::string_view body);

}  // namespace qir::host

#endif
