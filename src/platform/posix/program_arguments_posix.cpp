#include "platform/program_arguments.h"

namespace qir::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  if (argc < 2 || argv == nullptr) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace qir::platform
