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
                       // explain
  std::optional<std::string> hash;  // none: --null-hash
  std::string play_file;
  std::string log_file;  // explain: empty means debug.log beside the plugin
  bool json = false;     // explain --json
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
