// The checks of `quorvane-host check-server`, in order. Each drives the plugin's own
// code (requests, signing, parsers, score document, ranking cache) against the server
// and says in one line what it found.
#ifndef QUORVANE_HOST_CHECK_ROWS_H
#define QUORVANE_HOST_CHECK_ROWS_H

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "QuorvaneIR.h"
#include "check_os.h"
#include "check_report.h"
#include "ranking/board.h"

namespace qir::host {

struct CheckOptions {
  std::optional<std::string> chart;   // a chart for test scores: submission, board, ghosts
  std::optional<std::string> course;  // a course for a test score
  bool submit = true;                 // false: nothing is written to the server
};

struct Outcome {
  Verdict verdict = Verdict::Skip;
  std::string detail;
};

// What the checks learn on the way, for the ones after them.
struct CheckContext {
  CheckOs& os;
  std::string key;
  CheckOptions options;
  bool server_silent = false;         // the login got no answer: nothing more is tried
  std::optional<SeenExchange> login{};  // the answer to the genuine login
  bool chart_played = false;          // the server took the test play on the chart
  std::optional<SeenExchange> board_reply{};
  bool board_read = false;  // the board came and parsed
  IRRankResult board_result{};
  Board board{};  // the same reply as the parser's working board
  std::string board_log{};
};

struct Check {
  std::string_view name;
  Outcome (*run)(CheckContext& context);
};

std::span<const Check> Checks();

// The test play: a full combo of kTestNotes PGREATs on the hash, as a course play when
// course is true.
inline constexpr std::int32_t kTestNotes = 1000;
inline constexpr std::int32_t kTestExscore = 2 * kTestNotes;
void FillTestPlay(IRPlayResult& play, const std::string& hash, bool course);

// What the plugin's log lines say went wrong, in the explainer's words.
std::string InWords(std::string_view log);

}  // namespace qir::host

#endif
