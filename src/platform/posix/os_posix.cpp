#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/os.h"
#include "platform/posix/http_exchange_curl.h"

namespace qir::platform {
namespace {

std::int64_t WallClockSeconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec);
}

bool LocalTime(std::int64_t seconds, std::tm* out) {
  const auto t = static_cast<time_t>(seconds);
  return localtime_r(&t, out) != nullptr;
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  // std::this_thread::sleep_for measures on the steady clock.
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint32_t LastError() { return static_cast<std::uint32_t>(errno); }

std::filesystem::path ModuleFileName() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ModuleFileName), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(info.dli_fname, ec);
  return ec ? std::filesystem::path(info.dli_fname) : path;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool AppendToFile(const std::filesystem::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  WriteAll(fd, bytes);
  ::close(fd);
  return true;
}

bool TruncateFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::unique_ptr<HttpExchange> NewHttpExchange() { return std::make_unique<CurlHttpExchange>(); }

}  // namespace

const Os& DefaultOs() {
  static const Os os{
      &WallClockSeconds, &LocalTime,    &SleepMilliseconds, &LastError,
      &ModuleFileName,   &AppendToFile, &TruncateFile,      &NewHttpExchange,
  };
  return os;
}

}  // namespace qir::platform
