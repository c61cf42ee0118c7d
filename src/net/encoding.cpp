#include "net/encoding.h"

#include "platform/os.h"

namespace qir {

std::u16string Utf8ToWide(const char* data, std::size_t length) {
  if (data == nullptr || length == 0) return {};
  return platform::Utf8ToUtf16(data, length);
}

std::string UrlEncode(const unsigned char* data, std::size_t length) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(length * 3);
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char c = data[i];
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                            c == '~';
    if (unreserved) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

}  // namespace qir
