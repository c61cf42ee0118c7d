// The quorvane-host command line.
#ifndef QUORVANE_HOST_COMMAND_LINE_H
#define QUORVANE_HOST_COMMAND_LINE_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qir::host {

struct Command {
  std::string plugin;  // empty: the plugin file beside the executable
  std::string name;    // name, template, page-url, login, submit, rank, rank-cached, ghost,
                       // explain, check-server
  std::optional<std::string> hash;  // none: --null-hash
  std::string play_file;
  std::string log_file;  // explain: empty means debug.log beside the plugin
  bool json = false;     // explain and check-server --json
  // check-server: a chart and a course for test scores; --no-submit sends none.
  std::optional<std::string> chart;
  std::optional<std::string> course;
  bool no_submit = false;
  std::int32_t mode = 0;
  std::int32_t target = 0;
  bool help = false;
};

// Parses the arguments after the program name; throws std::invalid_argument with a
// one-line message for a usage error.
Command ParseCommandLine(const std::vector<std::string>& args);

extern const char kUsage[];

}  // namespace qir::host

#endif
