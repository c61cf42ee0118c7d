// Paths to and from UTF-8 text (the command line's, the build's and the output's),
// without std::filesystem::u8path, which C++20 deprecates. path::string() would give
// the ANSI code page on Windows, and throw for a name it cannot spell.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qir::host {

inline std::filesystem::path Utf8Path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace qir::host
