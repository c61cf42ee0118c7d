// The command line as Windows keeps it, in UTF-16, split by the same rules as the C
// runtime's argv (CommandLineToArgvW).
#include "platform/program_arguments.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace qir::platform {
namespace {

std::string Utf8(const wchar_t* text) {
  const int length = static_cast<int>(std::wcslen(text));
  if (length == 0) return {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    // Only when out of memory: the ANSI arguments are the best there are.
    if (argc < 2 || argv == nullptr) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
  }
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace qir::platform
