// Paths from and to UTF-8 text (the command line's, the build's and the output's),
// without std::filesystem::u8path, which C++20 deprecates.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qir::host {

inline std::filesystem::path Utf8Path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace qir::host
