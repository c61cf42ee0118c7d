#include "log_events.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace qir::host {
namespace {

constexpr std::string_view kKeyAdvice =
    "Put key.txt, holding the API key the IR site gives you, in the same folder as "
    "QuorvaneIR.x86.dll, then start the game again.";
constexpr std::string_view kReplyAdvice = "Depends on the status: see the table of HTTP statuses.";
constexpr std::string_view kTransportAdvice =
    "Depends on the error code (win32=): see the table of connection errors.";
constexpr std::string_view kReportAdvice =
    "Start the game again; if it happens again, keep debug.log and report it to the IR's "
    "operators.";

constexpr LogEvent kEvents[] = {
    {"session_start", "", "INFO", Activity::None, Step::Note, "",
     "A new session: the game started and asked the plugin to log in. The plugin begins "
     "debug.log afresh here, so the lines of earlier sessions are gone.",
     ""},

    {"login_skip_no_api_key", "", "WARN", Activity::Login, Step::Skipped,
     "there is no API key: key.txt beside the plugin is missing or empty",
     "Login skipped: there is no API key. key.txt beside the plugin is missing, empty or "
     "cannot be read.",
     kKeyAdvice},
    {"login_fetch", "", "INFO", Activity::Login, Step::Attempt, "",
     "The plugin asks the server to check your API key (login).", ""},
    {"login_fetch_done", "", "INFO", Activity::Login, Step::Reply, "",
     "The server answered the login request.", kReplyAdvice},
    {"login_done", "logged_in=1", "INFO", Activity::Login, Step::Succeeded, "",
     "Logged in: the server knows your key.", ""},
    {"login_done", "logged_in=0", "INFO", Activity::Login, Step::Failed,
     "the server answered, but did not confirm the login",
     "Not logged in. The lines above say why.",
     "Follow the advice of the failure above. If the answer above had status 200, "
     "something other than the IR server answered (such as the sign-in page of a public "
     "Wi-Fi): try another network."},

    {"board_fetch", "", "INFO", Activity::Board, Step::Attempt, "",
     "The plugin asks the server for a ranking board (endpoint=chart for a chart, "
     "endpoint=course for a course).",
     ""},
    {"board_fetch_done", "", "INFO", Activity::Board, Step::Reply, "",
     "The server answered the ranking board request.", kReplyAdvice},
    {"board_parse_fail", "", "WARN", Activity::Board, Step::Failed,
     "the server's answer was not a ranking board",
     "The answer to the board request is not a ranking board (not JSON), so no board is shown "
     "and the ranking cache is left as it was. The plugin does not try again.",
     "Try again later. Something other than the IR server may have answered (such as the "
     "sign-in page of a public Wi-Fi); if it keeps happening on your usual network, report it "
     "to the IR's operators."},
    {"rank_cache_write_fail", "", "WARN", Activity::Board, Step::Note,
     "the board could not be saved in the IR folder",
     "The board was received, but it could not be saved in the IR folder beside the plugin "
     "(the ranking cache), so the game cannot show it without the network later.",
     "Make sure the game's folder can be written to: not read-only, not inside Program Files, "
     "with free disk space, and not blocked by an antivirus."},

    {"ghost_fetch", "", "INFO", Activity::Ghost, Step::Attempt, "",
     "The plugin asks the server for a ghost: a score of another player to play against.", ""},
    {"ghost_fetch_done", "", "INFO", Activity::Ghost, Step::Reply, "",
     "The server answered the ghost request.", kReplyAdvice},

    {"skip_assist", "", "INFO", Activity::Submission, Step::Skipped, "an assist option was on",
     "Score not sent: an assist option was on for this play, and assisted plays are not "
     "ranked.",
     ""},
    {"skip_nosave", "", "INFO", Activity::Submission, Step::Skipped,
     "the game marked the play as one it does not save",
     "Score not sent: the game marked this play as one it does not save.", ""},
    {"skip_no_api_key", "", "WARN", Activity::Submission, Step::Skipped,
     "there is no API key: key.txt beside the plugin is missing or empty",
     "Score not sent: there is no API key. key.txt beside the plugin is missing, empty or "
     "cannot be read.",
     kKeyAdvice},
    {"skip_invalid_hash", "", "WARN", Activity::Submission, Step::Skipped,
     "the game gave no chart hash",
     "Score not sent: the game gave the play without a chart hash, so the server could not "
     "tell which chart it was.",
     "Nothing to do for this play. If it happens on every chart, report it to the IR's "
     "operators with your game's version."},
    {"db_query", "result=ok", "INFO", Activity::Submission, Step::Begin, "",
     "Sending a score: the plugin found your best on this chart in the game's score database, "
     "to send along with the play.",
     ""},
    {"db_query", "result=no_row", "INFO", Activity::Submission, Step::Begin, "",
     "Sending a score: the game's score database has no earlier score on this chart, so the "
     "play counts as your best.",
     ""},
    {"db_query", "result=no_path", "WARN", Activity::Submission, Step::Begin, "",
     "Sending a score without your stored best: the player id could not be read from "
     "LR2files/Config/config.xml in the game's folder. The score is still sent, as a first "
     "play.",
     "Start the game from its own folder, so that LR2files/Config/config.xml is found and "
     "holds your player id."},
    {"db_query", "result=open_fail", "WARN", Activity::Submission, Step::Begin, "",
     "Sending a score without your stored best: the score database "
     "LR2files/Database/Score/{player id}.db could not be opened (sqlite= says why). The score "
     "is still sent, as a first play.",
     "Check that the score database is there and that no other program holds it open."},
    {"db_query", "result=prepare_fail", "WARN", Activity::Submission, Step::Begin, "",
     "Sending a score without your stored best: the score database opened but could not be "
     "read (sqlite= says why; it may be damaged or locked). The score is still sent, as a "
     "first play.",
     "Close other programs that use the score database and keep a copy of it; if it is "
     "damaged, the game itself will have trouble with it too."},
    {"payload_text_replaced", "", "WARN", Activity::Submission, Step::Note,
     "a text of the play was not UTF-8 and was sent with replacement characters",
     "A text of the play (such as the title or artist) is not UTF-8; the characters that "
     "could not be sent were replaced with U+FFFD, and the score was sent all the same.",
     "Nothing to do; the text may look garbled on the ranking site."},
    {"http_begin", "", "INFO", Activity::Submission, Step::Attempt, "",
     "The plugin sends the score to the server (endpoint=chart for a chart, endpoint=course "
     "for a course). Scores are sent once, never again later.",
     ""},
    {"http_done", "", "INFO", Activity::Submission, Step::Reply, "",
     "The server answered the score submission.", kReplyAdvice},
    {"winhttp_open_fail", "", "ERROR", Activity::Submission, Step::TransportError, "",
     "Sending the score failed: the system's HTTP library could not be started.", kTransportAdvice},
    {"winhttp_connect_fail", "", "ERROR", Activity::Submission, Step::TransportError, "",
     "Sending the score failed: the connection to the server could not be set up.",
     kTransportAdvice},
    {"winhttp_request_fail", "", "ERROR", Activity::Submission, Step::TransportError, "",
     "Sending the score failed: the request could not be prepared.", kTransportAdvice},
    {"winhttp_send_fail", "sent=0", "ERROR", Activity::Submission, Step::Note, "",
     "Sending the score failed before the score went out; the next line has the error code.", ""},
    {"winhttp_send_fail", "sent=1", "ERROR", Activity::Submission, Step::Note,
     "the score went out but no answer came back, so the server may have stored it",
     "The score went out, but no answer came back, so the plugin cannot tell whether the "
     "server stored it; the next line has the error code.",
     ""},
    {"winhttp_send_fail_err", "", "ERROR", Activity::Submission, Step::TransportError, "",
     "The error code of the failed score submission.", kTransportAdvice},
    {"send_score_fail", "", "WARN", Activity::Submission, Step::Failed,
     "the score was not accepted",
     "The score was not sent or not accepted. The plugin does not send it again later: the "
     "play stays in the game's own score database only.",
     "Follow the advice of the failure just above. Once the cause is fixed, your next play "
     "of this chart is sent as usual."},
    {"send_score_exception", "", "ERROR", Activity::Submission, Step::Failed,
     "the plugin ran into an internal error",
     "Score not sent: the plugin ran into an internal error (such as running out of memory) "
     "while building or sending it. The game goes on.",
     kReportAdvice},

    {"http_auth_user_agent_fail", "", "ERROR", Activity::Request, Step::Failed,
     "the plugin could not prepare the request",
     "The plugin could not prepare the request (its name or the server's address), so "
     "nothing was sent. The plugin does not try again.",
     "Reinstall the plugin from its release; if that does not help, report it."},
    {"http_auth_headers_fail", "", "ERROR", Activity::Request, Step::Failed,
     "the request could not be signed with the API key in key.txt",
     "The request could not be signed with your API key, so nothing was sent. This happens "
     "when key.txt holds more than the key: a tab, or a second line after the key.",
     "Open key.txt and leave only the key in it, on one line (a line break at the end is "
     "fine)."},
    {"http_tls_protocols_fail", "", "WARN", Activity::Request, Step::Note,
     "Windows would not limit the connection to TLS 1.2 or newer",
     "Windows would not limit the connection to TLS 1.2 or newer (win32= holds its error "
     "code), so the request went out with the older protocols Windows allows by default. A "
     "server that takes only TLS 1.2 or newer refuses such a connection, and the request "
     "then fails with a connection error.",
     "Install Windows' updates: older Windows versions learn TLS 1.2 for programs like the "
     "game from an update (on Windows 7, Microsoft's KB3140245)."},
    {"http_winhttp_open_fail", "", "ERROR", Activity::Request, Step::TransportError, "",
     "The request failed: the system's HTTP library could not be started. The plugin tries "
     "again after a pause (four attempts in all).",
     kTransportAdvice},
    {"http_winhttp_connect_fail", "", "ERROR", Activity::Request, Step::TransportError, "",
     "The request failed: the connection to the server could not be set up. The plugin tries "
     "again after a pause (four attempts in all).",
     kTransportAdvice},
    {"http_winhttp_request_fail", "", "ERROR", Activity::Request, Step::TransportError, "",
     "The request failed: it could not be prepared. The plugin tries again after a pause "
     "(four attempts in all).",
     kTransportAdvice},
    {"http_winhttp_send_fail", "", "ERROR", Activity::Request, Step::TransportError, "",
     "The request failed: it could not be sent, or no answer came back. The plugin tries "
     "again after a pause (four attempts in all).",
     kTransportAdvice},
};

constexpr std::string_view kBusyAdvice =
    "Nothing to do if a later attempt worked. Otherwise wait a few minutes and try again; "
    "the IR's site or announcements may tell of maintenance.";

constexpr HttpStatusMeaning kStatuses[] = {
    {200, 299, "", "", "HTTP {code}: the server answered normally.", ""},
    {0, 0, "", "no status could be read from the answer (HTTP 0)",
     "HTTP 0: no status could be read from the server's answer.",
     "Usually a connection that broke off: check your network and try again."},
    {400, 400, "", "the server refused the request as malformed (HTTP 400)",
     "HTTP 400: the server found the request malformed. Your setup does not cause this.",
     "Keep debug.log and report it to the IR's operators with the time of the line."},
    {401, 401, "",
     "the server refused your API key, or this PC's clock is more than five minutes off "
     "(HTTP 401)",
     "HTTP 401: the server refused the request's credentials. Either it does not know the "
     "API key in key.txt, or the request's time stamp is more than five minutes away from the "
     "server's clock: the server's signature check refuses both with this same answer.",
     "Open key.txt and check that it holds exactly the key the IR site shows for your account "
     "(copy it again; a line break at the end is fine). If the key is right, check the PC's "
     "date, time and time zone, and let Windows set the time automatically: a clock more "
     "than five minutes off is refused the same way."},
    {403, 403, "", "the server does not allow this account the request (HTTP 403)",
     "HTTP 403: the server knows the request but does not allow it for your account.",
     "Your account may be suspended or limited: ask the IR's operators."},
    {404, 404, "ghost_fetch_done", "the server has no ghost for this choice (HTTP 404)",
     "HTTP 404: the server has no ghost for this chart with the chosen mode or player (no one "
     "else has a score on it yet, or the chosen player has none).",
     "Nothing is wrong: choose another ghost mode or player, or play without a ghost."},
    {404, 404, "", "the server does not know the address asked for (HTTP 404)",
     "HTTP 404: the server does not know the address the plugin asked for.",
     "The plugin may be older than the server: install the current release of the plugin."},
    {429, 429, "", "the server is getting too many requests (HTTP 429)",
     "HTTP 429: the server asks its clients to slow down (too many requests).",
     "Wait a few minutes before trying again."},
    {400, 499, "", "the server refused the request (HTTP {code})",
     "HTTP {code}: the server refused the request.",
     "If it keeps happening, report it to the IR's operators with the time of the line."},
    {502, 502, "", "the server is down behind its gateway (HTTP 502)",
     "HTTP 502: a gateway in front of the IR server got no usable answer from it; the server "
     "is down or restarting.",
     kBusyAdvice},
    {503, 503, "", "the server is busy or under maintenance (HTTP 503)",
     "HTTP 503: the server is busy or down for maintenance.", kBusyAdvice},
    {504, 504, "", "the server is too slow behind its gateway (HTTP 504)",
     "HTTP 504: a gateway in front of the IR server waited too long for it; the server is "
     "overloaded.",
     kBusyAdvice},
    {500, 599, "", "the server had an error (HTTP {code})",
     "HTTP {code}: the server failed while handling the request.",
     "A problem on the server's side: try again later, and tell the IR's operators if it "
     "lasts."},
    {0, 0xFFFFFFFFu, "", "the server's answer could not be used (HTTP {code})",
     "HTTP {code}: an answer the plugin cannot use (such as a redirect).",
     "If it lasts, the server may have moved: install the current release of the plugin."},
};

constexpr TroubleMeaning kTroubles[] = {
    {Trouble::Certificate, "certificate", "the server's certificate was not accepted",
     "The secure connection was refused because the server's certificate could not be "
     "verified. First check the PC's date and time: a wrong date makes a good certificate look "
     "expired. Keep Windows up to date, so its trusted root certificates are current. An "
     "antivirus that scans HTTPS, or a school or company network that inspects traffic, can "
     "also cause this: turn that scanning off for the game or use another network. Never "
     "install a certificate from an unknown source to get around it."},
    {Trouble::Handshake, "TLS", "no secure connection could be agreed on (TLS)",
     "The plugin and the server found no version of TLS they both take. The plugin takes TLS "
     "1.2 or newer only: a server that offers only older versions must be updated by the IR's "
     "operators, so tell them. An antivirus that scans HTTPS, or a proxy, can also cause this: "
     "turn that scanning off for the game or use another network."},
    {Trouble::NoNetwork, "network", "the server could not be reached",
     "Check that the PC is online (open a web page). If it is, a firewall or antivirus may be "
     "blocking the game: allow it. If only the IR server fails, it may be down: try again "
     "later."},
    {Trouble::Stalled, "time-out", "the server stopped answering and the wait timed out",
     "The connection was made, but the server went silent, or sent its answer too slowly, for "
     "longer than the plugin waits. The server may be overloaded, or the network very slow: "
     "try again later, and check your connection (Wi-Fi signal, large downloads)."},
    {Trouble::ConnectionLost, "broken", "the connection broke off",
     "The connection was cut in the middle, by the server, the network or a firewall. Boards, "
     "ghosts and the login are tried again by themselves; if it keeps happening, check your "
     "network or try later."},
    {Trouble::BadAnswer, "answer", "the server's answer could not be read",
     "Something answered that the plugin could not understand. A proxy, or the sign-in page "
     "of a public Wi-Fi, may be in the way: try another network. Otherwise report it to the "
     "IR's operators."},
    {Trouble::Internal, "internal", "the plugin could not use the system's HTTP library",
     kReportAdvice},
    {Trouble::Unknown, "unknown", "the connection failed",
     "Check your network and try again later. If it keeps happening, report the error code "
     "to the IR's operators."},
};

constexpr TransportError kTransportErrors[] = {
    {12001, "WinHTTP", "ERROR_WINHTTP_OUT_OF_HANDLES", Trouble::Internal,
     "the system ran out of HTTP handles."},
    {12002, "WinHTTP", "ERROR_WINHTTP_TIMEOUT", Trouble::Stalled,
     "the server did not answer in time."},
    {12004, "WinHTTP", "ERROR_WINHTTP_INTERNAL_ERROR", Trouble::Internal,
     "the HTTP library failed inside."},
    {12005, "WinHTTP", "ERROR_WINHTTP_INVALID_URL", Trouble::Internal,
     "the server address is not valid."},
    {12007, "WinHTTP", "ERROR_WINHTTP_NAME_NOT_RESOLVED", Trouble::NoNetwork,
     "the server's name could not be looked up (no network, or DNS failed)."},
    {12017, "WinHTTP", "ERROR_WINHTTP_OPERATION_CANCELLED", Trouble::ConnectionLost,
     "the request was cancelled, as when the game is closing."},
    {12029, "WinHTTP", "ERROR_WINHTTP_CANNOT_CONNECT", Trouble::NoNetwork,
     "no connection to the server could be made (no network, a firewall, or the server is "
     "down)."},
    {12030, "WinHTTP", "ERROR_WINHTTP_CONNECTION_ERROR", Trouble::ConnectionLost,
     "the connection was reset or closed before the answer."},
    {12037, "WinHTTP", "ERROR_WINHTTP_SECURE_CERT_DATE_INVALID", Trouble::Certificate,
     "the server's certificate is expired or not yet valid; a wrong date on this PC causes "
     "the same."},
    {12038, "WinHTTP", "ERROR_WINHTTP_SECURE_CERT_CN_INVALID", Trouble::Certificate,
     "the server's certificate is for another name."},
    {12044, "WinHTTP", "ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED", Trouble::Certificate,
     "the server asked for a client certificate, which the plugin does not have."},
    {12045, "WinHTTP", "ERROR_WINHTTP_SECURE_INVALID_CA", Trouble::Certificate,
     "the server's certificate comes from an authority this PC does not trust."},
    {12057, "WinHTTP", "ERROR_WINHTTP_SECURE_CERT_REV_FAILED", Trouble::Certificate,
     "whether the server's certificate was revoked could not be checked."},
    {12152, "WinHTTP", "ERROR_WINHTTP_INVALID_SERVER_RESPONSE", Trouble::BadAnswer,
     "the answer was not valid HTTP."},
    {12157, "WinHTTP", "ERROR_WINHTTP_SECURE_CHANNEL_ERROR", Trouble::Certificate,
     "the secure connection could not be agreed on (TLS): the server's certificate was "
     "refused, or the server takes only TLS older than 1.2."},
    {12169, "WinHTTP", "ERROR_WINHTTP_SECURE_INVALID_CERT", Trouble::Certificate,
     "the server's certificate is not valid."},
    {12170, "WinHTTP", "ERROR_WINHTTP_SECURE_CERT_REVOKED", Trouble::Certificate,
     "the server's certificate was revoked."},
    {12175, "WinHTTP", "ERROR_WINHTTP_SECURE_FAILURE", Trouble::Certificate,
     "the secure connection failed: the server's certificate did not pass the checks."},
    {12179, "WinHTTP", "ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE", Trouble::Certificate,
     "the server's certificate is not meant for a web server."},
    // Wine's WinHTTP passes the socket's own time-out code through where Windows gives
    // ERROR_WINHTTP_TIMEOUT.
    {10060, "Winsock", "WSAETIMEDOUT", Trouble::Stalled, "the server did not answer in time."},
    {2, "curl", "CURLE_FAILED_INIT", Trouble::Internal, "the HTTP library could not start."},
    {3, "curl", "CURLE_URL_MALFORMAT", Trouble::Internal, "the server address is not valid."},
    {5, "curl", "CURLE_COULDNT_RESOLVE_PROXY", Trouble::NoNetwork,
     "the proxy's name could not be looked up."},
    {6, "curl", "CURLE_COULDNT_RESOLVE_HOST", Trouble::NoNetwork,
     "the server's name could not be looked up (no network, or DNS failed)."},
    {7, "curl", "CURLE_COULDNT_CONNECT", Trouble::NoNetwork,
     "no connection to the server could be made (no network, a firewall, or the server is "
     "down)."},
    {8, "curl", "CURLE_WEIRD_SERVER_REPLY", Trouble::BadAnswer, "the answer was not valid HTTP."},
    {16, "curl", "CURLE_HTTP2", Trouble::BadAnswer, "the HTTP/2 exchange failed."},
    {18, "curl", "CURLE_PARTIAL_FILE", Trouble::ConnectionLost,
     "the answer ended before its announced length."},
    {27, "curl", "CURLE_OUT_OF_MEMORY", Trouble::Internal, "memory ran out."},
    {28, "curl", "CURLE_OPERATION_TIMEDOUT", Trouble::Stalled,
     "the server did not answer in time."},
    {35, "curl", "CURLE_SSL_CONNECT_ERROR", Trouble::Handshake,
     "the secure connection could not be agreed on (TLS): the server may take only TLS older "
     "than 1.2."},
    {52, "curl", "CURLE_GOT_NOTHING", Trouble::ConnectionLost,
     "the server closed the connection without answering."},
    {55, "curl", "CURLE_SEND_ERROR", Trouble::ConnectionLost, "sending broke off."},
    {56, "curl", "CURLE_RECV_ERROR", Trouble::ConnectionLost, "receiving broke off."},
    {60, "curl", "CURLE_PEER_FAILED_VERIFICATION", Trouble::Certificate,
     "the server's certificate is not trusted, expired or for another name."},
    {77, "curl", "CURLE_SSL_CACERT_BADFILE", Trouble::Certificate,
     "the trusted certificate bundle could not be read."},
    {92, "curl", "CURLE_HTTP2_STREAM", Trouble::ConnectionLost, "the HTTP/2 stream was cut."},
    {97, "curl", "CURLE_PROXY", Trouble::NoNetwork, "the proxy refused the connection."},
};

std::string MarkdownCell(std::string_view text) {
  std::string cell;
  for (const char c : text) {
    if (c == '|') cell += '\\';
    cell += c;
  }
  return cell;
}

std::string Code(std::string_view text) { return std::string("`").append(text).append("`"); }

void AppendRow(std::string& table, std::initializer_list<std::string> cells) {
  table.append("|");
  for (const std::string& cell : cells) table.append(" ").append(cell).append(" |");
  table.append("\n");
}

std::string StatusRange(const HttpStatusMeaning& row) {
  if (row.first == 0 && row.last == 0xFFFFFFFFu) return "any other";
  std::string range = std::to_string(row.first);
  if (row.last != row.first) range.append("-").append(std::to_string(row.last));
  return range;
}

}  // namespace

std::span<const LogEvent> LogEvents() { return kEvents; }

std::string_view DetailValue(std::string_view detail, std::string_view key) {
  std::size_t start = 0;
  while (start < detail.size()) {
    std::size_t end = detail.find(' ', start);
    if (end == std::string_view::npos) end = detail.size();
    const std::string_view word = detail.substr(start, end - start);
    if (word.size() > key.size() && word.starts_with(key) && word[key.size()] == '=') {
      return word.substr(key.size() + 1);
    }
    start = end + 1;
  }
  return {};
}

const LogEvent* FindLogEvent(std::string_view name, std::string_view detail) {
  for (const LogEvent& row : kEvents) {
    if (row.name != name) continue;
    if (row.when.empty()) return &row;
    const std::size_t equals = row.when.find('=');
    if (DetailValue(detail, row.when.substr(0, equals)) == row.when.substr(equals + 1)) {
      return &row;
    }
  }
  return nullptr;
}

std::span<const HttpStatusMeaning> HttpStatusMeanings() { return kStatuses; }

const HttpStatusMeaning& FindHttpStatus(std::uint32_t code, std::string_view event) {
  for (const HttpStatusMeaning& row : kStatuses) {
    if (code >= row.first && code <= row.last && (row.event.empty() || row.event == event)) {
      return row;
    }
  }
  return std::end(kStatuses)[-1];
}

std::span<const TroubleMeaning> TroubleMeanings() { return kTroubles; }

const TroubleMeaning& FindTrouble(Trouble trouble) {
  for (const TroubleMeaning& row : kTroubles) {
    if (row.trouble == trouble) return row;
  }
  return std::end(kTroubles)[-1];
}

std::span<const TransportError> TransportErrors() { return kTransportErrors; }

const TransportError* FindTransportError(std::uint32_t code) {
  const auto it = std::find_if(std::begin(kTransportErrors), std::end(kTransportErrors),
                               [code](const TransportError& row) { return row.code == code; });
  return it != std::end(kTransportErrors) ? &*it : nullptr;
}

std::string_view MappedStatusAction(std::string_view mapped, Activity activity) {
  if (mapped == "Ok") return "";
  if (mapped == "Retry") {
    return activity == Activity::Submission
               ? "Scores are sent once: this one is not sent again."
               : "The plugin tries again after a pause (four attempts in all).";
  }
  if (activity == Activity::Submission) return "The score was not accepted.";
  return "The plugin does not try again.";
}

std::string WithCode(std::string_view text, std::uint32_t code) {
  std::string out(text);
  constexpr std::string_view kMark = "{code}";
  for (std::size_t at = out.find(kMark); at != std::string::npos; at = out.find(kMark, at)) {
    const std::string digits = std::to_string(code);
    out.replace(at, kMark.size(), digits);
    at += digits.size();
  }
  return out;
}

std::string LogEventsMarkdown() {
  std::string table = "| line | level | what it means | what you can do |\n|---|---|---|---|\n";
  for (const LogEvent& row : kEvents) {
    std::string line = Code(row.name);
    if (!row.when.empty()) line.append(" ").append(Code(row.when));
    AppendRow(table, {line, std::string(row.level), MarkdownCell(row.meaning),
                      MarkdownCell(row.advice)});
  }
  return table;
}

std::string HttpStatusesMarkdown() {
  std::string table = "| status | on | what it means | what you can do |\n|---|---|---|---|\n";
  for (const HttpStatusMeaning& row : kStatuses) {
    AppendRow(table, {StatusRange(row), row.event.empty() ? "any" : Code(row.event),
                      MarkdownCell(row.meaning), MarkdownCell(row.advice)});
  }
  return table;
}

std::string TransportErrorsMarkdown() {
  std::string table = "| win32= | from | name | what it means | kind |\n|---|---|---|---|---|\n";
  for (const TransportError& row : kTransportErrors) {
    AppendRow(table, {std::to_string(row.code), std::string(row.library), Code(row.name),
                      MarkdownCell(row.meaning), std::string(FindTrouble(row.trouble).name)});
  }
  table.append("\n| kind | cause | what you can do |\n|---|---|---|\n");
  for (const TroubleMeaning& row : kTroubles) {
    AppendRow(table,
              {std::string(row.name), MarkdownCell(row.cause), MarkdownCell(row.advice)});
  }
  return table;
}

}  // namespace qir::host
