// Every line the plugin writes to debug.log, and what it means to a player: the one
// table that `quorvane-host explain` and docs/players.md are made from.
#ifndef QUORVANE_HOST_LOG_EVENTS_H
#define QUORVANE_HOST_LOG_EVENTS_H

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qir::host {

// What the plugin was doing when it wrote the line. Request: a line any request can
// write; it belongs to the request under way.
enum class Activity { None, Login, Board, Ghost, Submission, Request };

// The line's place in its activity.
enum class Step {
  Note,            // says something, decides nothing
  Begin,           // a submission starts (before its request)
  Attempt,         // a request goes out
  Reply,           // the server answered: status_code= and mapped_status=
  TransportError,  // no answer: win32= holds the transport's error code
  Succeeded,
  Failed,
  Skipped,
};

struct LogEvent {
  std::string_view name;
  std::string_view when;  // "key=value" the detail must hold; empty: any detail
  std::string_view level;
  Activity activity;
  Step step;
  std::string_view cause;  // Failed, Skipped and notes: a short reason for the account
  std::string_view meaning;
  std::string_view advice;  // empty: nothing to do
};

// Statuses of a Reply line. "{code}" in a text stands for the status code.
struct HttpStatusMeaning {
  std::uint32_t first;
  std::uint32_t last;
  std::string_view event;  // only on this event's lines; empty: on every reply line
  std::string_view cause;
  std::string_view meaning;
  std::string_view advice;
};

enum class Trouble {
  Certificate,
  Handshake,
  NoNetwork,
  Stalled,
  ConnectionLost,
  BadAnswer,
  Internal,
  Unknown
};

struct TroubleMeaning {
  Trouble trouble;
  std::string_view name;  // one word, as the guide's tables show it
  std::string_view cause;
  std::string_view advice;
};

// Codes of a TransportError line: WinHTTP's (12000 and up, Windows) and libcurl's
// (below 100, the Linux build).
struct TransportError {
  std::uint32_t code;
  std::string_view library;
  std::string_view name;
  Trouble trouble;
  std::string_view meaning;
};

std::span<const LogEvent> LogEvents();
// The row for a line: the first whose name matches and whose "when" the detail holds.
const LogEvent* FindLogEvent(std::string_view name, std::string_view detail);

std::span<const HttpStatusMeaning> HttpStatusMeanings();
const HttpStatusMeaning& FindHttpStatus(std::uint32_t code, std::string_view event);

std::span<const TroubleMeaning> TroubleMeanings();
const TroubleMeaning& FindTrouble(Trouble trouble);

std::span<const TransportError> TransportErrors();
const TransportError* FindTransportError(std::uint32_t code);

// What the plugin does after a reply it mapped to mapped_status (Ok, Retry, Fail).
std::string_view MappedStatusAction(std::string_view mapped, Activity activity);

// "{code}" replaced by the code.
std::string WithCode(std::string_view text, std::uint32_t code);

// The value of "key=" in a detail of space-separated key=value words.
std::string_view DetailValue(std::string_view detail, std::string_view key);

// The guide's tables, as Markdown.
std::string LogEventsMarkdown();
std::string HttpStatusesMarkdown();
std::string TransportErrorsMarkdown();

}  // namespace qir::host

#endif
