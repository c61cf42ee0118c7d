// The operating-system seam. Everything above src/platform/ is portable and reaches
// the system only through these declarations. Each call goes through a table of
// function pointers (in the manner of SQLite's VFS), so tests can replace the
// clock, the sleep of the retry policy, the log file's open and the HTTP transport,
// and `quorvane-host check-server` can run the plugin's code on a system of its own.
#ifndef QUORVANE_PLATFORM_OS_H
#define QUORVANE_PLATFORM_OS_H

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qir::platform {

class HttpExchange;

struct Os {
  // Wall-clock seconds since 1970-01-01 UTC, truncated.
  std::int64_t (*wall_clock_seconds)();
  // Local calendar time of a wall-clock second; false when it cannot be converted.
  bool (*local_time)(std::int64_t seconds, std::tm* out);
  // Blocks the calling thread on the monotonic clock.
  void (*sleep_milliseconds)(std::uint32_t milliseconds);
  // The calling thread's last error code (GetLastError, errno).
  std::uint32_t (*last_error)();
  // Full file name of the loaded plugin library; empty on failure.
  std::filesystem::path (*module_file_name)();
  // Opens for appending only (others may read), writes the bytes in one call and
  // closes. False when the open failed.
  bool (*append_to_file)(const std::filesystem::path& path, std::string_view bytes);
  // Empties the file, creating it when missing. False when the open failed.
  bool (*truncate_file)(const std::filesystem::path& path);
  // A new HTTP exchange; never null.
  std::unique_ptr<HttpExchange> (*new_http_exchange)();
};

// The table in effect, and the table of the real system.
const Os& CurrentOs();
const Os& SystemOs();
// Replaces the table in effect: for tests, and for quorvane-host check-server, which
// runs the plugin's code in process with its own folder, clock, log and a transport
// that alters requests. Never called by the plugin. Pass SystemOs() to restore it.
void InstallOs(const Os& os);

// UTF-8 to UTF-16. Malformed input is substituted, never refused.
std::u16string Utf8ToUtf16(const char* data, std::size_t length);

// HMAC-SHA256 of the message under the key; nothing when the platform fails.
std::optional<std::array<std::uint8_t, 32>> HmacSha256(std::string_view key,
                                                       std::string_view message);

}  // namespace qir::platform

#endif  // QUORVANE_PLATFORM_OS_H
