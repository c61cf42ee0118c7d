// A path from UTF-8 text (the command line's and the build's), without
// std::filesystem::u8path, which C++20 deprecates.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qir::host {

inline std::filesystem::path Utf8Path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace qir::host
