// The system table on Windows: the clock, local time, sleeping, the last error, the
// plugin's own file name, the log file's two opens and the WinHTTP transport.
#include "platform/os.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <ctime>
#include <time.h>

#include "platform/http_exchange.h"

namespace qir::platform {

std::unique_ptr<HttpExchange> NewWinHttpExchange();  // http_exchange_win32.cpp

namespace {

// FILETIME counts 100-ns ticks from 1601-01-01; this many lie before 1970-01-01.
constexpr std::uint64_t kUnixEpochInFileTime = 116444736000000000ULL;
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000ULL;

std::int64_t WallClockSeconds() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return (static_cast<std::int64_t>(ticks) - static_cast<std::int64_t>(kUnixEpochInFileTime)) /
         static_cast<std::int64_t>(kFileTimeTicksPerSecond);
}

bool LocalTime(std::int64_t seconds, std::tm* out) {
  // localtime_s is a wrapper over this one when time_t is 64 bits; calling it by
  // name keeps the width independent of _USE_32BIT_TIME_T.
  const __time64_t t = seconds;
  return _localtime64_s(out, &t) == 0;
}

void SleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::uint32_t LastError() { return GetLastError(); }

std::filesystem::path ModuleFileName() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&ModuleFileName), &module)) {
    return {};
  }
  wchar_t name[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(module, name, MAX_PATH);
  if (length == 0) return {};
  return std::filesystem::path(std::wstring(name, length));
}

bool AppendToFile(const std::filesystem::path& path, std::string_view bytes) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return true;
}

bool TruncateFile(const std::filesystem::path& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::unique_ptr<HttpExchange> NewHttpExchange() { return NewWinHttpExchange(); }

}  // namespace

const Os& DefaultOs() {
  static const Os os{
      &WallClockSeconds, &LocalTime,    &SleepMilliseconds, &LastError,
      &ModuleFileName,   &AppendToFile, &TruncateFile,      &NewHttpExchange,
  };
  return os;
}

}  // namespace qir::platform
