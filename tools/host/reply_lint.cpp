#include "reply_lint.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

#include "member_table.h"
#include "net/json_readers.h"

namespace qir::host {
namespace {

using nlohmann::json;

std::string What(const json& value) {
  switch (value.type()) {
    case json::value_t::null:
      return "null";
    case json::value_t::boolean:
      return "a boolean";
    case json::value_t::string:
      return "a string";
    case json::value_t::array:
      return "an array";
    case json::value_t::object:
      return "an object";
    default:
      return "a number";
  }
}

bool Usable(const json& value, const ReplyMember& member) {
  switch (member.kind) {
    case MemberKind::Boolean:
      return value.is_boolean();
    case MemberKind::Integer:
      return JsonToInt(value).has_value();
    case MemberKind::Seconds:
      return JsonToInt64(value).has_value();
    case MemberKind::Text:
      return value.is_string();
    case MemberKind::Counts:
      return value.is_array() && value.size() >= 6;
    case MemberKind::Rows:
      return value.is_array();
  }
  return false;
}

// What the plugin makes of a usable value it does not take as it stands; empty when it
// does.
std::string Bent(const json& value, const ReplyMember& member) {
  if (member.kind == MemberKind::Counts) {
    for (std::size_t i = 0; i < 6; ++i) {
      if (!JsonToInt(value[i])) return "element " + std::to_string(i) + " is " + What(value[i]) + ", read as 0";
    }
    return {};
  }
  if (member.kind != MemberKind::Integer) return {};
  const std::int32_t read = *JsonToInt(value);
  if (value.is_boolean()) return "a boolean, read as " + std::to_string(read);
  if (value.is_number_float()) {
    const double number = value.get<double>();
    if (number != std::trunc(number)) return "a fraction, read as " + std::to_string(read);
    if (number != static_cast<double>(read)) return "out of range, read as " + std::to_string(read);
  } else {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    const bool fits = value.is_number_unsigned() ? value.get<std::uint64_t>() <= kMax
                                                 : value.get<std::int64_t>() == read;
    if (!fits) return value.dump() + " does not fit in 32 bits, read as " + std::to_string(read);
  }
  if (read < member.low || read > member.high) {
    return std::to_string(read) + " is outside " + std::to_string(member.low) + " to " +
           std::to_string(member.high) + ", " + FallbackText(member) + " shown";
  }
  return {};
}

std::string Squashed(std::string_view name) {
  std::string out;
  for (const char c : name) {
    if (c == '_' || c == '-') continue;
    out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  return out;
}

// A member named like this one but for case and underscores, which the plugin does not read.
std::string Lookalike(const json& object, const ReplyMember& member) {
  const MemberNames names = NamesOf(member);
  for (const auto& [key, value] : object.items()) {
    if (std::find(names.begin(), names.end(), key) != names.end()) continue;
    if (Squashed(key) == Squashed(member.name)) return key;
  }
  return {};
}

MemberReading Read(const json& object, const ReplyMember& member) {
  MemberReading reading;
  reading.member = &member;
  const MemberNames names = NamesOf(member);
  const std::string taken = FallbackText(member) + " taken";
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto it = object.find(names[i]);
    if (it == object.end()) continue;
    if (!Usable(*it, member)) {
      std::string what = What(*it);
      if (member.kind == MemberKind::Counts && it->is_array()) {
        what += " of " + std::to_string(it->size()) + " (6 needed)";
      }
      if (reading.problem.empty()) {
        reading.problem = (i == 0 ? "" : std::string(names[i]) + " holds ") + what + ", " + taken;
      }
      continue;
    }
    reading.came = i == 0 ? Came::Name : i < TwinCount(member) ? Came::Camel : Came::Alternate;
    reading.key = names[i];
    reading.problem = Bent(*it, member);
    return reading;
  }
  if (reading.problem.empty() && !member.optional) {
    reading.problem = "absent, " + taken;
    const std::string lookalike = Lookalike(object, member);
    if (!lookalike.empty()) reading.problem += " (" + lookalike + " stands there, which the plugin does not read)";
  }
  return reading;
}

// Rows read alike count once: "problem" -> rows, and the names other than the first.
struct RowTally {
  std::map<std::string, std::size_t> problems;
  std::map<std::string, std::size_t> other_names;
};

}  // namespace

std::vector<MemberReading> ReadMembers(const json& object, Reply reply) {
  std::vector<MemberReading> readings;
  const json empty = json::object();
  const json& source = object.is_object() ? object : empty;
  for (const ReplyMember& member : kReplyMembers) {
    if (member.reply == reply) readings.push_back(Read(source, member));
  }
  return readings;
}

LintReport LintReply(std::string_view body, Reply reply) {
  LintReport report;
  const json document = json::parse(body, nullptr, /*allow_exceptions=*/false,
                                    /*ignore_comments=*/false);
  if (document.is_discarded()) return report;
  report.is_json = true;
  if (!document.is_object()) {
    report.problems.push_back("the reply is " + What(document) +
                              ", not an object: every member takes its default");
    return report;
  }
  auto note = [&report](const MemberReading& reading, const std::string& rows) {
    const std::string name(reading.member->name);
    if (!reading.problem.empty()) report.problems.push_back(name + ": " + reading.problem + rows);
    if (reading.came == Came::Camel || reading.came == Came::Alternate) {
      report.other_names.push_back(std::string(reading.key) + rows);
    }
  };
  for (const MemberReading& reading : ReadMembers(document, reply)) note(reading, "");
  if (reply != Reply::Board) return report;

  const auto entries = document.find("entries");
  if (entries == document.end() || !entries->is_array()) return report;
  std::map<const ReplyMember*, RowTally> tallies;
  std::size_t not_objects = 0;
  for (const json& row : *entries) {
    if (!row.is_object()) {
      ++not_objects;
      continue;
    }
    ++report.rows;
    for (const MemberReading& reading : ReadMembers(row, Reply::BoardEntry)) {
      RowTally& tally = tallies[reading.member];
      if (!reading.problem.empty()) ++tally.problems[reading.problem];
      if (reading.came == Came::Camel || reading.came == Came::Alternate) {
        ++tally.other_names[std::string(reading.key)];
      }
    }
  }
  if (not_objects > 0) {
    report.problems.push_back("entries: " + std::to_string(not_objects) + " of " +
                              std::to_string(entries->size()) + " elements are not objects, left out");
  }
  const std::string of_rows =
      " of " + std::to_string(report.rows) + (report.rows == 1 ? " row" : " rows");
  for (const ReplyMember& member : kReplyMembers) {
    if (member.reply != Reply::BoardEntry) continue;
    const RowTally& tally = tallies[&member];
    for (const auto& [problem, count] : tally.problems) {
      report.problems.push_back(std::string(member.name) + ": " + problem + " in " +
                                std::to_string(count) + of_rows);
    }
    for (const auto& [key, count] : tally.other_names) {
      report.other_names.push_back(key + " in " + std::to_string(count) + of_rows);
    }
  }
  return report;
}

std::optional<bool> LoginFlag(std::string_view body) {
  const json document = json::parse(body, nullptr, false, false);
  if (!document.is_object()) return std::nullopt;
  const std::string wanted = Squashed(Member(Reply::Login, "logged_in").name);
  for (const auto& [key, value] : document.items()) {
    if (Squashed(key) == wanted && value.is_boolean()) return value.get<bool>();
  }
  return std::nullopt;
}

}  // namespace qir::host
