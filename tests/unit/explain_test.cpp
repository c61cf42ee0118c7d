#include "explain.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "log_events.h"
#include "records_json.h"
#include "utf8_path.h"

namespace qir::host {
namespace {

std::string Line(const std::string& rest) { return "2026-03-04 05:06:07 | " + rest; }

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const std::filesystem::path kSourceDir = qir::host::Utf8Path(QUORVANE_SOURCE_DIR);

TEST(ExplainLine, SplitsTheFieldsOrLeavesTheLineAsItStands) {
  struct Row {
    std::string text;
    std::string time, level, event, detail;
    bool known;
  };
  const std::vector<Row> rows = {
      {Line("INFO | login_done | logged_in=1"), "2026-03-04 05:06:07", "INFO", "login_done",
       "logged_in=1", true},
      {Line("INFO | session_start"), "2026-03-04 05:06:07", "INFO", "session_start", "", true},
      // The detail is everything after the third separator, separators included.
      {Line("WARN | db_query | result=open_fail sqlite=a | b"), "2026-03-04 05:06:07", "WARN",
       "db_query", "result=open_fail sqlite=a | b", true},
      {Line("INFO | future_event | x=1"), "2026-03-04 05:06:07", "INFO", "future_event", "x=1",
       false},
      // A login_done whose detail none of its rows expects.
      {Line("INFO | login_done | logged_in=maybe"), "2026-03-04 05:06:07", "INFO", "login_done",
       "logged_in=maybe", false},
      {"2026-3-04 05:06:07 | INFO | session_start", "", "", "", "", false},
      {"2026-03-04 05:06:07 INFO session_start", "", "", "", "", false},
      {Line("INFO"), "", "", "", "", false},
      {Line("INFO | "), "", "", "", "", false},
      {Line(" | session_start"), "", "", "", "", false},
      {"2026-03-04 05:0", "", "", "", "", false},
      {"", "", "", "", "", false},
  };
  for (const Row& row : rows) {
    const ExplainedLine line = ExplainLine(7, row.text);
    EXPECT_EQ(line.number, 7u);
    EXPECT_EQ(line.text, row.text);
    EXPECT_EQ(line.time, row.time) << row.text;
    EXPECT_EQ(line.level, row.level) << row.text;
    EXPECT_EQ(line.event, row.event) << row.text;
    EXPECT_EQ(line.detail, row.detail) << row.text;
    EXPECT_EQ(line.known, row.known) << row.text;
    if (!line.known) {
      EXPECT_EQ(line.meaning, "") << row.text;
    }
  }
}

TEST(ExplainLine, TellsCauseAndAdviceOfEveryKindOfFailure) {
  struct Row {
    std::string rest;  // the line after its time stamp
    bool failure;
    std::vector<std::string> in_meaning, in_cause, in_advice;
  };
  const std::string kCert = "certificate was not accepted";
  const std::string kNoNet = "could not be reached";
  const std::string kStall = "timed out";
  const std::vector<Row> rows = {
      {"INFO | login_fetch_done | status_code=401 mapped_status=Fail body_size=37", true,
       {"does not know the API key", "five minutes", "does not try again"},
       {"API key", "clock", "401"}, {"key.txt", "date, time and time zone", "five minutes"}},
      {"INFO | login_fetch_done | status_code=200 mapped_status=Ok body_size=20", false,
       {"HTTP 200"}, {}, {}},
      {"INFO | board_fetch_done | status_code=503 mapped_status=Retry body_size=30", true,
       {"busy", "tries again"}, {"busy", "503"}, {"wait a few minutes"}},
      {"INFO | ghost_fetch_done | status_code=429 mapped_status=Fail body_size=0", true,
       {"too many requests", "does not try again"}, {"429"}, {"Wait"}},
      {"INFO | ghost_fetch_done | status_code=404 mapped_status=Fail body_size=9", true,
       {"no ghost"}, {"no ghost"}, {"another ghost mode"}},
      {"INFO | board_fetch_done | status_code=404 mapped_status=Fail body_size=9", true,
       {"does not know the address"}, {"404"}, {"current release"}},
      {"INFO | board_fetch_done | status_code=418 mapped_status=Fail body_size=9", true,
       {"HTTP 418: the server refused"}, {"(HTTP 418)"}, {}},
      {"INFO | http_done | status_code=503 mapped_status=Retry", true,
       {"answered the score submission", "sent once"}, {"503"}, {}},
      {"INFO | http_done | status_code=200 mapped_status=Ok", false, {"answered normally"}, {}, {}},
      {"ERROR | http_winhttp_send_fail | win32=12175", true,
       {"ERROR_WINHTTP_SECURE_FAILURE", "tries again"}, {kCert, "12175"}, {"date and time"}},
      {"ERROR | http_winhttp_send_fail | win32=12045", true, {"does not trust"}, {kCert}, {}},
      {"ERROR | http_winhttp_send_fail | win32=12038", true, {"another name"}, {kCert}, {}},
      {"ERROR | http_winhttp_send_fail | win32=60", true, {"CURLE_PEER_FAILED_VERIFICATION"},
       {kCert, "(error 60)"}, {}},
      {"ERROR | winhttp_send_fail_err | win32=12029", true,
       {"failed score submission", "CANNOT_CONNECT"}, {kNoNet}, {"online", "firewall"}},
      {"ERROR | http_winhttp_send_fail | win32=12007", true, {"looked up"}, {kNoNet}, {}},
      {"ERROR | http_winhttp_send_fail | win32=6", true, {"looked up"}, {kNoNet}, {}},
      {"ERROR | http_winhttp_send_fail | win32=7", true, {"no connection"}, {kNoNet}, {}},
      {"ERROR | http_winhttp_send_fail | win32=12002", true, {"answer in time"}, {kStall},
       {"went silent"}},
      {"ERROR | http_winhttp_send_fail | win32=28", true, {"did not answer in time"}, {kStall}, {}},
      {"ERROR | http_winhttp_send_fail | win32=52", true, {"without answering"}, {"broke off"}, {}},
      {"ERROR | http_winhttp_connect_fail | win32=99999", true, {"does not know"},
       {"the connection failed (error 99999)"}, {"report the error code"}},
      {"WARN | login_skip_no_api_key", true, {"key.txt"}, {"no API key"},
       {"same folder as QuorvaneIR.x86.dll"}},
      {"ERROR | http_auth_headers_fail", true, {"second line"}, {"key.txt"}, {"only the key"}},
      {"WARN | http_tls_protocols_fail | win32=87", true, {"older protocols"}, {"TLS 1.2"},
       {"updates"}},
      {"WARN | db_query | result=no_path hash8=01234567", true, {"config.xml"}, {}, {"config.xml"}},
      {"INFO | db_query | result=ok hash8=01234567", false, {"found your best"}, {}, {}},
      {"INFO | skip_assist", false, {"assist"}, {"assist"}, {}},
      {"WARN | rank_cache_write_fail | hash8=01234567", true, {"IR folder"}, {"IR folder"},
       {"written to"}},
  };
  for (const Row& row : rows) {
    const ExplainedLine line = ExplainLine(1, Line(row.rest));
    SCOPED_TRACE(row.rest);
    EXPECT_TRUE(line.known);
    EXPECT_EQ(line.failure, row.failure);
    for (const auto& part : row.in_meaning) {
      EXPECT_NE(line.meaning.find(part), std::string::npos) << line.meaning;
    }
    for (const auto& part : row.in_cause) {
      EXPECT_NE(line.cause.find(part), std::string::npos) << line.cause;
    }
    for (const auto& part : row.in_advice) {
      EXPECT_NE(line.advice.find(part), std::string::npos) << line.advice;
    }
    if (!row.failure) {
      EXPECT_EQ(line.advice, "");
    }
  }
}

struct Outcome {
  std::string activity;  // as the JSON names it
  std::string outcome;
  int attempts;
  std::string in_summary;
};

std::vector<std::vector<Outcome>> Outcomes(const LogAccount& account) {
  const nlohmann::json doc = AccountJson(account, "debug.log");
  std::vector<std::vector<Outcome>> sessions;
  for (const auto& session : doc["sessions"]) {
    sessions.emplace_back();
    for (const auto& a : session["activities"]) {
      sessions.back().push_back({a["activity"], a["outcome"], a["attempts"], a["summary"]});
    }
  }
  return sessions;
}

TEST(ExplainLog, TellsWhatEachActivityCameTo) {
  const std::string login = "INFO | login_fetch | endpoint=ir_login port=443 secure=1 query_len=0";
  const std::string board = "INFO | board_fetch | endpoint=chart port=443 secure=1 query_len=9";
  const std::string ok = "status_code=200 mapped_status=Ok body_size=20";
  const std::string busy = "status_code=503 mapped_status=Retry body_size=20";
  const std::string cert = "ERROR | http_winhttp_send_fail | win32=12175";
  const std::string tls = "WARN | http_tls_protocols_fail | win32=87";
  struct Row {
    std::vector<std::string> lines;
    std::vector<Outcome> outcomes;
  };
  const std::vector<Row> rows = {
      {{login, "INFO | login_fetch_done | " + busy, login, "INFO | login_fetch_done | " + ok,
        "INFO | login_done | logged_in=1"},
       {{"login", "succeeded", 2, "logged in on attempt 2; before that: the server is busy"}}},
      {{login, cert, login, cert, login, cert, login, cert, "INFO | login_done | logged_in=0"},
       {{"login", "failed", 4, "after 4 attempts. Likely cause: the server's certificate"}}},
      {{login, "INFO | login_fetch_done | " + ok, "INFO | login_done | logged_in=0"},
       {{"login", "failed", 1, "did not confirm the login"}}},
      {{login, "INFO | login_fetch_done | status_code=401 mapped_status=Fail body_size=9",
        "INFO | login_done | logged_in=0"},
       {{"login", "failed", 1, "(HTTP 401)"}}},
      {{"WARN | login_skip_no_api_key"}, {{"login", "skipped", 0, "no API key"}}},
      {{"INFO | db_query | result=no_row hash8=abcdef01",
        "INFO | http_begin | endpoint=course port=443 secure=1 body_size=9",
        "INFO | http_done | status_code=200 mapped_status=Ok", "INFO | skip_assist"},
       {{"submission", "succeeded", 1, "Course score submission (hash abcdef01): sent"},
        {"submission", "skipped", 0, "because an assist option was on"}}},
      {{"INFO | db_query | result=ok hash8=abcdef01",
        "INFO | http_begin | endpoint=chart port=443 secure=1 body_size=9",
        "ERROR | winhttp_send_fail | sent=1", "ERROR | winhttp_send_fail_err | win32=12002",
        "WARN | send_score_fail | hash8=abcdef01"},
       {{"submission", "failed", 1, "timed out (error 12002). Also: the score went out"}}},
      // A board that arrived is one activity, the next request another.
      {{board, "INFO | board_fetch_done | " + ok, board, "INFO | board_fetch_done | " + ok,
        "INFO | board_parse_fail | body_size=20", "WARN | rank_cache_write_fail | hash8=x"},
       {{"board", "succeeded", 1, "Ranking board: received."},
        {"board", "failed", 1, "not a ranking board. Also: the board could not be saved"}}},
      // A note that every attempt writes is told once.
      {{login, tls, cert, login, tls, "INFO | login_fetch_done | " + ok,
        "INFO | login_done | logged_in=1"},
       {{"login", "succeeded", 2, "Also: Windows would not limit the connection to TLS 1.2 or newer."}}},
      // Lines it does not know do not end an activity.
      {{board, "2026-03-04 garbage", "INFO | board_fetch_done | " + busy, board,
        "INFO | board_fetch_done | " + ok},
       {{"board", "succeeded", 2, "received on attempt 2"}}},
      // Given up, or the log ends on the way.
      {{"INFO | ghost_fetch | endpoint=chart port=443 secure=1 query_len=9",
        "INFO | ghost_fetch_done | " + busy, login},
       {{"ghost", "failed", 1, "Ghost: not received. Likely cause: the server is busy"},
        {"login", "unfinished", 1, "the log ends before its outcome"}}},
      // A transport line with no request before it (a log cut at the front).
      {{cert}, {{"request", "failed", 0, "A request to the server: failed."}}},
  };
  for (const Row& row : rows) {
    std::string text = Line("INFO | session_start") + "\n";
    for (const std::string& line : row.lines) text += Line(line) + "\n";
    SCOPED_TRACE(text);
    const auto sessions = Outcomes(ExplainLog(text));
    ASSERT_EQ(sessions.size(), 1u);
    ASSERT_EQ(sessions[0].size(), row.outcomes.size());
    for (std::size_t i = 0; i < row.outcomes.size(); ++i) {
      const Outcome& want = row.outcomes[i];
      const Outcome& got = sessions[0][i];
      EXPECT_EQ(got.activity, want.activity);
      EXPECT_EQ(got.outcome, want.outcome);
      EXPECT_EQ(got.attempts, want.attempts);
      EXPECT_NE(got.in_summary.find(want.in_summary), std::string::npos) << got.in_summary;
    }
  }
}

TEST(ExplainLog, SplitsSessionsAtEachStart) {
  struct Row {
    std::string text;
    std::vector<std::string> started;  // per session, "-" for none
    std::vector<std::size_t> lines;    // per session
  };
  const std::string start1 = "2026-03-04 05:06:07 | INFO | session_start";
  const std::string start2 = "2026-03-05 01:02:03 | INFO | session_start";
  const std::string skip = "2026-03-05 01:02:04 | INFO | skip_nosave";
  const std::vector<Row> rows = {
      {"", {}, {}},
      {"\n\n  \n", {}, {}},
      {start1 + "\n" + skip + "\n" + start2 + "\n" + skip + "\n",
       {start1.substr(0, 19), start2.substr(0, 19)},
       {2, 2}},
      // A log whose start is missing (rotated, or written without a login first).
      {skip + "\r\n" + skip + "\r\n" + start2, {"-", start2.substr(0, 19)}, {2, 1}},
      {"garbage\n" + start1, {"-", start1.substr(0, 19)}, {1, 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const LogAccount account = ExplainLog(row.text);
    ASSERT_EQ(account.sessions.size(), row.started.size());
    for (std::size_t i = 0; i < row.started.size(); ++i) {
      EXPECT_EQ(account.sessions[i].started, row.started[i] == "-" ? "" : row.started[i]);
      EXPECT_EQ(account.sessions[i].lines.size(), row.lines[i]);
    }
  }
  // Line numbers count the blank lines too; a carriage return is not part of the line.
  const LogAccount account = ExplainLog(start1 + "\r\n\r\n" + skip + "\r\n");
  EXPECT_EQ(account.sessions[0].lines[1].number, 3u);
  EXPECT_EQ(account.sessions[0].lines[1].detail, "");
  EXPECT_EQ(account.sessions[0].lines[1].event, "skip_nosave");
}

TEST(ExplainOutput, TextAndJsonCarryTheSameAccount) {
  const std::string text = "stray words\n" + Line("INFO | session_start") + "\n" +
                           Line("INFO | login_fetch | endpoint=ir_login") + "\n" +
                           Line("INFO | login_fetch_done | status_code=401 mapped_status=Fail") +
                           "\n" + Line("INFO | login_done | logged_in=0") + "\n" +
                           "2026-03-05 00:00:01 | INFO | from_a_newer_plugin \xff\n";
  const LogAccount account = ExplainLog(text);

  const std::string out = AccountText(account, "C:\\Game\\debug.log");
  for (const std::string part :
       {"Log: C:\\Game\\debug.log\n", "2 sessions.", "Session 1, before any session start",
        "line 1, not a line this explainer knows (shown as it stands):\n      stray words\n",
        "Session 2, started 2026-03-04 05:06:07", "- Login: not logged in. Likely cause:",
        "05:06:07 INFO login_fetch_done | status_code=401 mapped_status=Fail\n",
        "      2026-03-05 00:00:01 | INFO | from_a_newer_plugin \xff\n"}) {
    EXPECT_NE(out.find(part), std::string::npos) << part << "\n" << out;
  }
  EXPECT_EQ(AccountText(ExplainLog(""), "x"),
            "Log: x\nThe log is empty: the plugin has written nothing yet.\n");

  const nlohmann::json doc = AccountJson(account, "C:\\Game\\debug.log");
  EXPECT_EQ(doc["schema"], 1);
  EXPECT_EQ(doc["log"], "C:\\Game\\debug.log");
  ASSERT_EQ(doc["sessions"].size(), 2u);
  EXPECT_TRUE(doc["sessions"][0]["started"].is_null());
  EXPECT_EQ(doc["sessions"][1]["started"], "2026-03-04 05:06:07");
  const auto& events = doc["sessions"][1]["events"];
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[2]["line"], 4);
  EXPECT_EQ(events[2]["event"], "login_fetch_done");
  EXPECT_EQ(events[2]["failure"], true);
  EXPECT_NE(events[2]["advice"].get<std::string>().find("key.txt"), std::string::npos);
  EXPECT_EQ(events[4]["known"], false);
  EXPECT_EQ(events[4]["meaning"], "");
  const auto& stray = doc["sessions"][0]["events"][0];
  EXPECT_EQ(stray["text"], "stray words");
  EXPECT_EQ(stray["time"], "");
  EXPECT_EQ(stray["known"], false);
  // Not UTF-8 in the log: the JSON holds U+FFFD instead.
  EXPECT_NE(DumpOutput(doc).find("from_a_newer_plugin \xef\xbf\xbd"), std::string::npos);
}

TEST(RunExplain, ExitsTwoWhenTheLogCannotBeRead) {
  const auto dir = std::filesystem::temp_directory_path() / "quorvane-explain-test";
  std::filesystem::create_directories(dir);
  const auto log = dir / "debug.log";
  std::ofstream(log, std::ios::binary) << Line("INFO | session_start") << "\n";
  struct Row {
    std::filesystem::path path;
    bool json;
    int status;
    std::string in_out;
  };
  const std::vector<Row> rows = {
      {log, false, 0, "1 session."},
      {log, true, 0, "\"schema\":1"},
      {dir / "missing.log", false, 2, ""},
      {dir, true, 2, ""},
  };
  for (const Row& row : rows) {
    std::ostringstream out, err;
    EXPECT_EQ(RunExplain(row.path, row.json, out, err), row.status) << row.path;
    if (row.status == 0) {
      EXPECT_NE(out.str().find(row.in_out), std::string::npos) << out.str();
      EXPECT_EQ(err.str(), "");
    } else {
      EXPECT_EQ(out.str(), "");
      EXPECT_EQ(err.str().rfind("quorvane-host: cannot read ", 0), 0u) << err.str();
    }
  }
  std::filesystem::remove_all(dir);
}

TEST(ExplainCommandLine, TakesAnOptionalPathAndJson) {
  Command c = ParseCommandLine({"explain"});
  EXPECT_EQ(c.name, "explain");
  EXPECT_EQ(c.log_file, "");
  EXPECT_FALSE(c.json);
  c = ParseCommandLine({"--plugin", "p.dll", "explain", "--json", "old.log"});
  EXPECT_EQ(c.plugin, "p.dll");
  EXPECT_EQ(c.log_file, "old.log");
  EXPECT_TRUE(c.json);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"explain", "a", "b"}, {"login", "--json"}, {"explain", "--null-hash"}}) {
    EXPECT_THROW(ParseCommandLine(args), std::invalid_argument) << ::testing::PrintToString(args);
  }
}

// Every (event, level) the plugin's sources write, read from the calls that write them.
std::set<std::pair<std::string, std::string>> EventsInSources() {
  std::set<std::pair<std::string, std::string>> found;
  const std::regex log_call(R"re(\bLog\(\s*"(INFO|WARN|ERROR)",\s*"(\w+)")re");
  const std::regex win32_call(R"re(\bLogWin32Error\(\s*"(\w+)")re");
  const std::regex session_start(R"re(WriteLineLocked\(\s*"(INFO|WARN|ERROR)",\s*"(\w+)")re");
  const std::regex get_label(R"re(\bHttpGet\([^;]*?"(\w+)")re");
  const std::regex open_keys(R"re(OpenKeys\s+\w+\{([^}]*)\})re");
  const std::regex quoted(R"re("(\w+)")re");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(kSourceDir / "src")) {
    if (entry.path().extension() != ".cpp") continue;
    const std::string code = ReadFile(entry.path());
    auto each = [&code](const std::regex& re, auto add) {
      for (std::sregex_iterator it(code.begin(), code.end(), re), end; it != end; ++it) add(*it);
    };
    each(log_call, [&](const std::smatch& m) { found.insert({m[2], m[1]}); });
    each(session_start, [&](const std::smatch& m) { found.insert({m[2], m[1]}); });
    each(win32_call, [&](const std::smatch& m) { found.insert({m[1], "ERROR"}); });
    each(get_label, [&](const std::smatch& m) {
      found.insert({m[1], "INFO"});
      found.insert({std::string(m[1]) + "_done", "INFO"});
    });
    each(open_keys, [&](const std::smatch& m) {
      const std::string keys = m[1];
      for (std::sregex_iterator it(keys.begin(), keys.end(), quoted), end; it != end; ++it) {
        found.insert({(*it)[1], "ERROR"});
      }
    });
  }
  return found;
}

TEST(ExplainTable, HoldsEveryEventThePluginWritesAndNoOther) {
  const auto written = EventsInSources();
  ASSERT_GT(written.size(), 30u) << "the sources were not found under " << kSourceDir;
  std::set<std::pair<std::string, std::string>> table;
  for (const LogEvent& row : LogEvents())
    table.insert({std::string(row.name), std::string(row.level)});
  for (const auto& [event, level] : written) {
    EXPECT_TRUE(table.count({event, level})) << level << " | " << event << " is not in the table";
  }
  for (const auto& [event, level] : table) {
    EXPECT_TRUE(written.count({event, level})) << level << " | " << event << " is never written";
  }
  // Every row is reachable: its own name and detail find it.
  for (const LogEvent& row : LogEvents()) {
    EXPECT_EQ(FindLogEvent(row.name, row.when), &row) << row.name << " " << row.when;
    EXPECT_FALSE(row.meaning.empty()) << row.name;
    const bool needs_cause = row.step == Step::Failed || row.step == Step::Skipped;
    EXPECT_TRUE(!needs_cause || !row.cause.empty()) << row.name;
  }
}

TEST(ExplainTable, TransportCodesAreListedOnce) {
  std::set<std::uint32_t> codes;
  for (const TransportError& row : TransportErrors()) {
    EXPECT_TRUE(codes.insert(row.code).second) << row.code;
    EXPECT_EQ(FindTransportError(row.code), &row);
    const char* library = row.code >= 12000 ? "WinHTTP" : row.code >= 10000 ? "Winsock" : "curl";
    EXPECT_EQ(row.library, library) << row.code;
  }
}

// The guide's tables are the code's, and nothing more: a table ends at a blank line.
TEST(ExplainGuide, ShowsTheCodeTables) {
  const std::string guide = ReadFile(kSourceDir / "docs" / "players.md");
  ASSERT_FALSE(guide.empty());
  for (const std::string& table :
       {LogEventsMarkdown(), HttpStatusesMarkdown(), TransportErrorsMarkdown()}) {
    const std::size_t at = guide.find(table);
    EXPECT_NE(at, std::string::npos) << "docs/players.md lacks this table as it stands:\n" << table;
    if (at == std::string::npos) continue;
    EXPECT_TRUE(at == 0 || guide.compare(at - 2, 2, "\n\n") == 0) << table;
    const std::size_t after = at + table.size();
    EXPECT_TRUE(after == guide.size() || guide[after] == '\n') << "a row follows:\n" << table;
  }
}

}  // namespace
}  // namespace qir::host
