#include "diag/text_file.h"

#include <fstream>

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
  // Binary read plus the CR LF rule gives the same bytes on every platform. The file
  // buffer alone, without an istream around it, spares a locale set-up on every read.
  std::filebuf file;
  if (file.open(path, std::ios::in | std::ios::binary) == nullptr) return std::nullopt;
  std::string content;
  char chunk[4096];
  for (;;) {
    const std::streamsize n = file.sgetn(chunk, sizeof chunk);
    if (n <= 0) break;
    content.append(chunk, static_cast<std::size_t>(n));
  }
  file.close();
  return NormalizeLineBreaks(std::move(content));
}

}  // namespace qir
