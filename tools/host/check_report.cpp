#include "check_report.h"

#include <algorithm>

namespace qir::host {

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::Pass:
      return "PASS";
    case Verdict::Warn:
      return "WARN";
    case Verdict::Fail:
      return "FAIL";
    case Verdict::Skip:
      return "SKIP";
  }
  return "?";
}

std::string ReportText(const CheckReport& report) {
  std::string out = "Server check of " + report.server + "\n";
  std::size_t width = 0;
  for (const CheckRow& row : report.rows) width = std::max(width, row.check.size());
  std::size_t counts[4] = {0, 0, 0, 0};
  for (const CheckRow& row : report.rows) {
    ++counts[static_cast<int>(row.verdict)];
    const std::string ms = std::to_string(row.ms);
    out += std::string(VerdictName(row.verdict)) + "  " + row.check +
           std::string(width - row.check.size() + 1 + (ms.size() < 6 ? 6 - ms.size() : 0), ' ') +
           ms + " ms  " + row.detail + "\n";
  }
  out += std::to_string(report.rows.size()) + " checks: ";
  for (const Verdict verdict : {Verdict::Pass, Verdict::Warn, Verdict::Fail, Verdict::Skip}) {
    out += std::to_string(counts[static_cast<int>(verdict)]) + " " + VerdictName(verdict) +
           (verdict == Verdict::Skip ? "\n" : ", ");
  }
  return out;
}

nlohmann::json ReportJson(const CheckReport& report) {
  nlohmann::json rows = nlohmann::json::array();
  for (const CheckRow& row : report.rows) {
    rows.push_back({{"check", row.check},
                    {"verdict", VerdictName(row.verdict)},
                    {"ms", row.ms},
                    {"detail", row.detail}});
  }
  return {{"server", report.server}, {"rows", std::move(rows)}};
}

int ReportExitStatus(const CheckReport& report) {
  return std::any_of(report.rows.begin(), report.rows.end(),
                     [](const CheckRow& row) { return row.verdict == Verdict::Fail; })
             ? 1
             : 0;
}

}  // namespace qir::host
