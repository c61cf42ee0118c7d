#include "platform/os.h"
#include "platform/posix/utf16.h"

namespace qir::platform {

// Decodes UTF-8 as Windows does for code page 65001 without flags: every byte that
// cannot start or continue a well-formed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const char* data, std::size_t length) {
  std::u16string out;
  out.reserve(length);
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  std::size_t i = 0;
  while (i < length) {
    const unsigned char b0 = p[i];
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    }
    std::size_t need = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      need = 1;
      cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      need = 2;
      cp = b0 & 0x0F;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      need = 3;
      cp = b0 & 0x07;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    std::size_t j = 1;
    for (; j <= need; ++j) {
      if (i + j >= length) break;
      const unsigned char b = p[i + j];
      const unsigned char min = j == 1 ? lo : 0x80;
      const unsigned char max = j == 1 ? hi : 0xBF;
      if (b < min || b > max) break;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (j <= need) {  // truncated or broken sequence: one substitute for what was read
      out.push_back(u'\uFFFD');
      i += j;
      continue;
    }
    AppendUtf16(out, cp);
    i += need + 1;
  }
  return out;
}

}  // namespace qir::platform
