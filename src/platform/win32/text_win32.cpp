// UTF-8 to UTF-16 through the system's code-page conversion. Windows substitutes
// U+FFFD for malformed sequences when no flags are passed, so nothing is refused.
#include "platform/os.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 unit on Windows");

namespace qir::platform {

std::u16string Utf8ToUtf16(const char* data, std::size_t length) {
  if (data == nullptr || length == 0) return {};
  const int units = MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(length), nullptr, 0);
  if (units <= 0) return {};
  std::u16string out(static_cast<std::size_t>(units), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(length),
                      reinterpret_cast<wchar_t*>(out.data()), units);
  return out;
}

}  // namespace qir::platform
