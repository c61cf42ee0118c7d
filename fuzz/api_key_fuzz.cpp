// Any bytes as key.txt: the key is the content (CR LF read as LF) without a leading
// byte-order mark and trailing line breaks, blanks and tabs, cut to 32 bytes; the
// signed header block built from it is refused or is exactly the five header lines.
#include <fstream>
#include <string>

#include "checks.h"
#include "diag/plugin_files.h"
#include "fuzz_os.h"
#include "net/auth_headers.h"

namespace {

std::string ExpectedKey(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(bytes[i]);
  }
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text = text.substr(3);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                           text.back() == '\t')) {
    text.pop_back();
  }
  return text.substr(0, 32);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& dir = qir::fuzz::InstallFuzzOs();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(dir / "key.txt", std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  const std::string key = qir::ReadApiKey();
  FUZZ_CHECK(key == ExpectedKey(bytes));

  const std::u16string headers = qir::BuildAuthHeaders(key.data(), key.size(), "q", 1);
  bool has_control = false;
  for (const char c : key) {
    const auto b = static_cast<unsigned char>(c);
    has_control = has_control || b < 0x20 || b == 0x7F;
  }
  if (key.empty() || has_control) {
    FUZZ_CHECK(headers.empty());
    return 0;
  }
  // Five lines, each ended by CR LF, and no other CR or LF: nothing from the key can
  // start a header of its own.
  FUZZ_CHECK(headers.size() >= 2 && headers.ends_with(u"\r\n"));
  std::size_t lines = 0;
  for (std::size_t i = 0; i < headers.size(); ++i) {
    if (headers[i] == u'\n') FUZZ_CHECK(i > 0 && headers[i - 1] == u'\r');
    if (headers[i] == u'\r') {
      FUZZ_CHECK(i + 1 < headers.size() && headers[i + 1] == u'\n');
      ++lines;
    }
  }
  FUZZ_CHECK(lines == 5);
  FUZZ_CHECK(headers.find(u"\r\nx-api-key: ") != std::u16string::npos);
  return 0;
}
