#include "diag/text_file.h"

#include <fstream>
#include <iterator>

namespace qir {

std::string NormalizeLineBreaks(std::string text) {
  std::size_t out = 0;
  for (std::size_t in = 0; in < text.size(); ++in) {
    if (text[in] == '\r' && in + 1 < text.size() && text[in + 1] == '\n') continue;
    text[out++] = text[in];
  }
  text.resize(out);
  return text;
}

std::optional<std::string> ReadTextFile(const std::filesystem::path& path) {
  // Binary read plus the CR LF rule gives the same bytes on every platform.
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in.good()) return std::nullopt;
  std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return NormalizeLineBreaks(std::move(content));
}

}  // namespace qir
