#include "check_server.h"

#include <chrono>
#include <exception>
#include <ostream>

#include "diag/plugin_files.h"
#include "net/endpoints.h"
#include "records_json.h"
#include "utf8_path.h"

namespace qir::host {

int RunCheckServer(const std::filesystem::path& plugin, const CheckOptions& options, bool json,
                   std::ostream& out, std::ostream& err) {
  CheckOs os(plugin);
  const std::string key = ReadApiKey();
  if (key.empty()) {
    err << "quorvane-host: no API key in " << Utf8Text(PluginFilePath("key.txt"))
        << ": put the key of a test account there\n";
    return 2;
  }
  CheckContext context{os, key, options};
  CheckReport report;
  report.server = RankingPageTemplate();
  for (const Check& check : Checks()) {
    CheckRow row;
    row.check = check.name;
    const auto started = std::chrono::steady_clock::now();
    Outcome outcome{Verdict::Skip, "the server did not answer (see login.ok)"};
    if (!context.server_silent) {
      try {
        outcome = check.run(context);
      } catch (const std::exception& e) {
        outcome = {Verdict::Fail, std::string("the check itself failed: ") + e.what()};
      }
    }
    os.ClearEdits();
    os.TakeLog();
    row.ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::steady_clock::now() - started)
                 .count();
    row.verdict = outcome.verdict;
    row.detail = std::move(outcome.detail);
    // One line, whatever text of the server's it quotes.
    for (char& c : row.detail) {
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    report.rows.push_back(std::move(row));
  }
  if (json) {
    out << DumpOutput(ReportJson(report)) << std::endl;
  } else {
    out << ReportText(report) << std::flush;
  }
  return ReportExitStatus(report);
}

}  // namespace qir::host
