// The report of `quorvane-host check-server`: one row per check, as text or as JSON.
#ifndef QUORVANE_HOST_CHECK_REPORT_H
#define QUORVANE_HOST_CHECK_REPORT_H

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace qir::host {

enum class Verdict { Pass, Warn, Fail, Skip };

// "PASS", "WARN", "FAIL", "SKIP".
const char* VerdictName(Verdict verdict);

struct CheckRow {
  std::string check;  // a dotted id, such as "auth.bad_signature"
  Verdict verdict = Verdict::Skip;
  std::int64_t ms = 0;
  std::string detail;  // one line, in plain words
};

struct CheckReport {
  std::string server;  // the ranking-page template
  std::vector<CheckRow> rows;
};

// The server on the first line, one line per row, the verdicts counted on the last.
std::string ReportText(const CheckReport& report);
// {"server": TEMPLATE, "rows": [{"check", "verdict", "ms", "detail"}, ...]}
nlohmann::json ReportJson(const CheckReport& report);
// 1 when a row failed, else 0.
int ReportExitStatus(const CheckReport& report);

}  // namespace qir::host

#endif
