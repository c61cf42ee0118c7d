#include "explain.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <set>
#include <system_error>

#include "decimal.h"
#include "records_json.h"
#include "utf8_path.h"

namespace qir::host {
namespace {

using nlohmann::json;

constexpr std::string_view kSeparator = " | ";
constexpr std::size_t kTimestampSize = 19;  // "YYYY-MM-DD hh:mm:ss"
constexpr std::size_t kTextWidth = 88;

bool IsTimestamp(std::string_view text) {
  constexpr std::string_view kPattern = "0000-00-00 00:00:00";  // 0: any digit
  if (text.size() != kPattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kPattern[i] == '0' ? !digit : text[i] != kPattern[i]) return false;
  }
  return true;
}

void ExplainReply(ExplainedLine& line) {
  const std::string_view mapped = DetailValue(line.detail, "mapped_status");
  const std::optional<std::uint32_t> code = ParseDecimal<std::uint32_t>(DetailValue(line.detail, "status_code"));
  line.failure = mapped.empty() ? !code || *code < 200 || *code > 299 : mapped != "Ok";
  if (!code) return;
  const HttpStatusMeaning& status = FindHttpStatus(*code, line.event);
  line.meaning += " " + WithCode(status.meaning, *code);
  const std::string_view action = MappedStatusAction(mapped, line.activity);
  if (!mapped.empty() && !action.empty()) line.meaning += " " + std::string(action);
  line.advice = line.failure ? WithCode(status.advice, *code) : "";
  line.cause = line.failure ? WithCode(status.cause, *code) : "";
}

void ExplainTransportError(ExplainedLine& line) {
  line.failure = true;
  const std::string_view code_text = DetailValue(line.detail, "win32");
  const std::optional<std::uint32_t> code = ParseDecimal<std::uint32_t>(code_text);
  if (!code) return;
  const TransportError* error = FindTransportError(*code);
  const TroubleMeaning& trouble = FindTrouble(error != nullptr ? error->trouble : Trouble::Unknown);
  line.meaning += " Error " + std::string(code_text);
  if (error != nullptr) {
    line.meaning += " (" + std::string(error->library) + " " + std::string(error->name) +
                    "): " + std::string(error->meaning);
  } else {
    line.meaning += ": a code this explainer does not know.";
  }
  line.advice = trouble.advice;
  line.cause = std::string(trouble.cause) + " (error " + std::string(code_text) + ")";
}

// The account of one activity while its lines come in.
struct OpenActivity {
  enum class State { Pending, Retrying, Succeeded, Failed, Skipped };

  Activity activity = Activity::None;
  int attempts = 0;
  bool awaiting_attempt = true;  // a request line would continue this activity
  State state = State::Pending;
  std::string cause;
  std::string advice;
  std::string earlier_cause;  // why the attempt before the last one failed
  std::string hash8;
  bool course = false;
  std::vector<std::string> notes;
};

std::string Label(const OpenActivity& a) {
  switch (a.activity) {
    case Activity::Login:
      return "Login";
    case Activity::Board:
      return a.course ? "Course ranking board" : "Ranking board";
    case Activity::Ghost:
      return "Ghost";
    case Activity::Submission: {
      std::string label = a.course ? "Course score submission" : "Score submission";
      if (!a.hash8.empty()) label += " (hash " + a.hash8 + ")";
      return label;
    }
    default:
      return "A request to the server";
  }
}

std::string_view SuccessWords(Activity activity) {
  switch (activity) {
    case Activity::Login:
      return "logged in";
    case Activity::Board:
    case Activity::Ghost:
      return "received";
    case Activity::Submission:
      return "sent and accepted";
    default:
      return "answered";
  }
}

std::string_view FailureWords(Activity activity) {
  switch (activity) {
    case Activity::Login:
      return "not logged in";
    case Activity::Board:
    case Activity::Ghost:
      return "not received";
    case Activity::Submission:
      return "not sent";
    default:
      return "failed";
  }
}

ActivityAccount Close(const OpenActivity& a) {
  using State = OpenActivity::State;
  ActivityAccount account;
  account.activity = a.activity;
  account.attempts = a.attempts;
  std::string summary = Label(a) + ": ";
  switch (a.state) {
    case State::Succeeded:
      account.outcome = "succeeded";
      summary += SuccessWords(a.activity);
      if (a.attempts > 1) {
        summary +=
            " on attempt " + std::to_string(a.attempts) + "; before that: " + a.earlier_cause;
      }
      summary += ".";
      break;
    case State::Retrying:
    case State::Failed:
      account.outcome = "failed";
      summary += FailureWords(a.activity);
      if (a.attempts > 1) summary += " after " + std::to_string(a.attempts) + " attempts";
      summary += ". Likely cause: " + (a.cause.empty() ? "the log does not say" : a.cause) + ".";
      account.cause = a.cause;
      account.advice = a.advice;
      break;
    case State::Skipped:
      account.outcome = "skipped";
      summary += "skipped, because " + a.cause + ".";
      account.cause = a.cause;
      account.advice = a.advice;
      break;
    case State::Pending:
      account.outcome = "unfinished";
      summary += "the log ends before its outcome.";
      break;
  }
  for (std::size_t i = 0; i < a.notes.size(); ++i) {
    summary += (i == 0 ? " Also: " : "; ") + a.notes[i];
  }
  if (!a.notes.empty()) summary += ".";
  account.summary = std::move(summary);
  return account;
}

std::vector<ActivityAccount> AccountFor(const std::vector<ExplainedLine>& lines) {
  using State = OpenActivity::State;
  std::vector<ActivityAccount> done;
  std::optional<OpenActivity> open;
  for (const ExplainedLine& line : lines) {
    if (!line.known || line.activity == Activity::None) continue;
    Activity kind = line.activity;
    if (kind == Activity::Request && open) kind = open->activity;
    const bool fresh = !open || open->activity != kind || line.step == Step::Begin ||
                       line.step == Step::Skipped ||
                       (line.step == Step::Attempt && !open->awaiting_attempt);
    if (fresh) {
      if (open) done.push_back(Close(*open));
      open.emplace();
      open->activity = kind;
    }
    OpenActivity& a = *open;
    const std::string_view hash8 = DetailValue(line.detail, "hash8");
    if (!hash8.empty()) a.hash8 = hash8;
    auto set_cause = [&a, &line] {
      a.cause = line.cause;
      a.advice = line.advice;
    };
    switch (line.step) {
      case Step::Begin:
        break;
      case Step::Attempt:
        ++a.attempts;
        a.awaiting_attempt = false;
        a.state = State::Pending;
        if (!a.cause.empty()) a.earlier_cause = a.cause;
        a.cause.clear();
        a.advice.clear();
        if (DetailValue(line.detail, "endpoint") == "course") a.course = true;
        break;
      case Step::Reply:
        if (!line.failure) {
          // A login is decided by the answer's body: login_done follows.
          a.state = kind == Activity::Login ? State::Pending : State::Succeeded;
        } else if (DetailValue(line.detail, "mapped_status") == "Retry") {
          a.state = State::Retrying;
          a.awaiting_attempt = kind != Activity::Submission;
          set_cause();
        } else {
          a.state = State::Failed;
          set_cause();
        }
        break;
      case Step::TransportError:
        a.state = State::Retrying;
        a.awaiting_attempt = kind != Activity::Submission;
        set_cause();
        break;
      case Step::Succeeded:
        a.state = State::Succeeded;
        a.awaiting_attempt = false;
        break;
      case Step::Failed:
        if (a.cause.empty()) set_cause();
        a.state = State::Failed;
        a.awaiting_attempt = false;
        break;
      case Step::Skipped:
        a.state = State::Skipped;
        a.awaiting_attempt = false;
        set_cause();
        break;
      case Step::Note:
        // Every attempt of a request may write the same note: tell it once.
        if (!line.cause.empty() &&
            std::find(a.notes.begin(), a.notes.end(), line.cause) == a.notes.end()) {
          a.notes.push_back(line.cause);
        }
        break;
    }
  }
  if (open) done.push_back(Close(*open));
  return done;
}

// Words of text from column indent on, lines after the first from column hang.
void AppendWrapped(std::string& out, std::string_view text, std::size_t indent, std::size_t hang) {
  const std::string margin(hang, ' ');
  std::size_t column = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(start, end - start);
    start = end + 1;
    if (word.empty()) continue;
    if (column == 0) {
      out += std::string(indent, ' ');
      column = indent;
    } else if (column + 1 + word.size() > kTextWidth) {
      out += "\n" + margin;
      column = hang;
    } else {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
  }
  out += '\n';
}

std::string SessionHeading(const SessionAccount& session, std::size_t index) {
  std::string heading = "Session " + std::to_string(index);
  if (session.started.empty())
    return heading + ", before any session start (the log's beginning is missing)";
  return heading + ", started " + session.started;
}

const char* ActivityName(Activity activity) {
  switch (activity) {
    case Activity::Login:
      return "login";
    case Activity::Board:
      return "board";
    case Activity::Ghost:
      return "ghost";
    case Activity::Submission:
      return "submission";
    default:
      return "request";
  }
}

}  // namespace

ExplainedLine ExplainLine(std::size_t number, std::string_view text) {
  ExplainedLine line;
  line.number = number;
  line.text = text;
  if (text.size() < kTimestampSize + kSeparator.size() ||
      !IsTimestamp(text.substr(0, kTimestampSize)) ||
      text.substr(kTimestampSize, kSeparator.size()) != kSeparator) {
    return line;
  }
  std::string_view rest = text.substr(kTimestampSize + kSeparator.size());
  const std::size_t level_end = rest.find(kSeparator);
  if (level_end == 0 || level_end == std::string_view::npos) return line;
  const std::string_view level = rest.substr(0, level_end);
  rest = rest.substr(level_end + kSeparator.size());
  const std::size_t event_end = rest.find(kSeparator);
  const std::string_view event = rest.substr(0, event_end);
  if (event.empty()) return line;
  line.time = text.substr(0, kTimestampSize);
  line.level = level;
  line.event = event;
  if (event_end != std::string_view::npos) line.detail = rest.substr(event_end + kSeparator.size());

  const LogEvent* row = FindLogEvent(line.event, line.detail);
  if (row == nullptr) return line;
  line.known = true;
  line.activity = row->activity;
  line.step = row->step;
  line.meaning = row->meaning;
  line.advice = row->advice;
  line.cause = row->cause;
  line.failure = line.level != "INFO" || row->step == Step::Failed;
  if (row->step == Step::Reply) ExplainReply(line);
  if (row->step == Step::TransportError) ExplainTransportError(line);
  return line;
}

LogAccount ExplainLog(std::string_view text) {
  LogAccount account;
  std::size_t number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    if (raw.find_first_not_of(" \t") == std::string_view::npos) continue;
    ExplainedLine line = ExplainLine(number, raw);
    const bool starts_session = line.event == "session_start";
    if (starts_session || account.sessions.empty()) {
      account.sessions.emplace_back();
      if (starts_session) account.sessions.back().started = line.time;
    }
    account.sessions.back().lines.push_back(std::move(line));
  }
  for (SessionAccount& session : account.sessions) session.activities = AccountFor(session.lines);
  return account;
}

std::string AccountText(const LogAccount& account, const std::string& log_name) {
  std::string out = "Log: " + log_name + "\n";
  const std::size_t count = account.sessions.size();
  if (count == 0) return out + "The log is empty: the plugin has written nothing yet.\n";
  out += std::to_string(count) + (count == 1 ? " session.\n" : " sessions.\n");
  for (std::size_t i = 0; i < count; ++i) {
    const SessionAccount& session = account.sessions[i];
    out += "\n" + SessionHeading(session, i + 1) + "\n";
    // Advice given once in a session is referred to after that.
    std::set<std::string> advised;
    auto advise = [&out, &advised](const std::string& advice) {
      if (advice.empty()) return;
      const bool fresh = advised.insert(advice).second;
      AppendWrapped(out, "What you can do: " + (fresh ? advice : "as above."), 6, 6);
    };
    out += "  What the plugin did:\n";
    if (session.activities.empty()) out += "    Nothing with the server.\n";
    for (const ActivityAccount& activity : session.activities) {
      AppendWrapped(out, "- " + activity.summary, 4, 6);
      advise(activity.advice);
    }
    out += "  Line by line:\n";
    const std::string_view session_date = std::string_view(session.started).substr(0, 10);
    for (const ExplainedLine& line : session.lines) {
      if (!line.known) {
        out += "    line " + std::to_string(line.number) +
               ", not a line this explainer knows (shown as it stands):\n      " + line.text + "\n";
        continue;
      }
      const bool same_day = !session_date.empty() && line.time.starts_with(session_date);
      out += "    " + (same_day ? line.time.substr(11) : line.time) + " " + line.level + " " +
             line.event;
      if (!line.detail.empty()) out += " | " + line.detail;
      out += "\n";
      AppendWrapped(out, line.meaning, 6, 6);
      advise(line.advice);
    }
  }
  return out;
}

json AccountJson(const LogAccount& account, const std::string& log_name) {
  json sessions = json::array();
  for (const SessionAccount& session : account.sessions) {
    json activities = json::array();
    for (const ActivityAccount& a : session.activities) {
      activities.push_back({{"activity", ActivityName(a.activity)},
                            {"outcome", a.outcome},
                            {"attempts", a.attempts},
                            {"summary", a.summary},
                            {"cause", a.cause},
                            {"advice", a.advice}});
    }
    json events = json::array();
    for (const ExplainedLine& line : session.lines) {
      events.push_back({{"line", line.number},
                        {"time", line.time},
                        {"level", line.level},
                        {"event", line.event},
                        {"detail", line.detail},
                        {"text", line.text},
                        {"known", line.known},
                        {"failure", line.failure},
                        {"meaning", line.meaning},
                        {"advice", line.advice}});
    }
    sessions.push_back(
        {{"started", session.started.empty() ? json(nullptr) : json(session.started)},
         {"activities", std::move(activities)},
         {"events", std::move(events)}});
  }
  return {{"schema", 1}, {"log", log_name}, {"sessions", std::move(sessions)}};
}

int RunExplain(const std::filesystem::path& path, bool json_output, std::ostream& out,
               std::ostream& err) {
  const std::string name = Utf8Text(path);
  std::error_code ec;
  std::ifstream in;
  if (!std::filesystem::is_directory(path, ec)) in.open(path, std::ios::binary);
  std::string text;
  if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.is_open() || in.bad()) {
    err << "quorvane-host: cannot read " << name << "\n";
    return 2;
  }
  const LogAccount account = ExplainLog(text);
  if (json_output) {
    out << DumpOutput(AccountJson(account, name)) << std::endl;
  } else {
    out << AccountText(account, name) << std::flush;
  }
  return 0;
}

}  // namespace qir::host
