// UrlEncode: only unreserved bytes and "%XX" (upper-case hexadecimal) come out, and
// percent-decoding gives the input back.
#include <string>

#include "checks.h"
#include "net/encoding.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower case is not what UrlEncode writes
}

bool IsUnreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string encoded = qir::UrlEncode(data, size);
  std::string decoded;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] != '%') {
      FUZZ_CHECK(IsUnreserved(encoded[i]));
      decoded.push_back(encoded[i]);
      continue;
    }
    FUZZ_CHECK(i + 2 < encoded.size());
    const int high = HexValue(encoded[i + 1]);
    const int low = HexValue(encoded[i + 2]);
    FUZZ_CHECK(high >= 0 && low >= 0);
    const char byte = static_cast<char>(high * 16 + low);
    // A byte that may stand as itself is never escaped.
    FUZZ_CHECK(!IsUnreserved(byte));
    decoded.push_back(byte);
    i += 2;
  }
  FUZZ_CHECK(decoded == std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
