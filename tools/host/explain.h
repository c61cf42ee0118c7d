// `quorvane-host explain`: debug.log told in plain language, session by session.
#ifndef QUORVANE_HOST_EXPLAIN_H
#define QUORVANE_HOST_EXPLAIN_H

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "log_events.h"

namespace qir::host {

struct ExplainedLine {
  std::size_t number = 0;  // 1-based line of the file
  std::string text;        // the line as it stands
  // Empty when the line is not "time | level | event[ | detail]".
  std::string time;
  std::string level;
  std::string event;
  std::string detail;
  bool known = false;    // the event (and its detail) is one the plugin writes
  bool failure = false;  // something went wrong on this line
  std::string meaning;
  std::string advice;
  // For the account: what the line belongs to and the short reason it gives.
  Activity activity = Activity::None;
  Step step = Step::Note;
  std::string cause;
};

struct ActivityAccount {
  Activity activity = Activity::None;
  std::string outcome;  // succeeded, failed, skipped, unfinished
  int attempts = 0;
  std::string summary;  // one plain paragraph
  std::string cause;
  std::string advice;
};

struct SessionAccount {
  std::string started;  // time of its session_start; empty: lines before any
  std::vector<ActivityAccount> activities;
  std::vector<ExplainedLine> lines;
};

struct LogAccount {
  std::vector<SessionAccount> sessions;
};

ExplainedLine ExplainLine(std::size_t number, std::string_view text);
LogAccount ExplainLog(std::string_view text);

std::string AccountText(const LogAccount& account, const std::string& log_name);
nlohmann::json AccountJson(const LogAccount& account, const std::string& log_name);

// Reads the log at path and writes its account to out: 0 when the log was read, 2
// (with a message on err) when it cannot be.
int RunExplain(const std::filesystem::path& path, bool json, std::ostream& out, std::ostream& err);

}  // namespace qir::host

#endif
