#include "diag/log.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <system_error>

#include "diag/plugin_files.h"
#include "platform/os.h"

namespace qir {
namespace {

std::mutex LogMutex;
bool LogStarted = false;

void RotateIfNeeded(const std::filesystem::path& log_path) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(log_path, ec);
  if (ec || size <= kLogRotateAboveBytes) return;
  const std::filesystem::path old_path = log_path.parent_path() / "debug.log.old";
  std::filesystem::remove(old_path, ec);
  std::filesystem::rename(log_path, old_path, ec);
}

// Body of Log; LogMutex must be held.
void WriteLineLocked(std::string_view level, std::string_view event, std::string_view detail) {
  const std::filesystem::path path = LogFilePath();
  RotateIfNeeded(path);
  const std::string line = FormatLogLine(LogTimestamp(), level, event, detail);
  platform::CurrentOs().append_to_file(path, line);
}

}  // namespace

std::filesystem::path LogFilePath() { return PluginFilePath("debug.log"); }

std::string FormatLogLine(std::string_view timestamp, std::string_view level,
                          std::string_view event, std::string_view detail) {
  std::string line;
  line.reserve(timestamp.size() + level.size() + event.size() + detail.size() + 10);
  line.append(timestamp).append(" | ").append(level).append(" | ").append(event);
  if (!detail.empty()) line.append(" | ").append(detail);
  line.push_back('\n');
  return line;
}

std::string LogTimestamp() {
  std::tm tm{};
  if (!platform::CurrentOs().local_time(platform::CurrentOs().wall_clock_seconds(), &tm)) {
    tm = std::tm{};
    tm.tm_year = 70;
    tm.tm_mday = 1;
  }
  const int year = tm.tm_year + 1900;
  const int fields[] = {tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  const bool plain = year >= 0 && year <= 9999 &&
                     std::all_of(std::begin(fields), std::end(fields),
                                 [](int v) { return v >= 0 && v <= 99; });
  if (!plain) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, fields[0], fields[1],
                  fields[2], fields[3], fields[4]);
    return text;
  }
  // Every line takes one, so the common case is written out by hand.
  std::string text = "0000-00-00 00:00:00";
  const auto digits = [&text](std::size_t at, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) {
      text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    }
  };
  digits(0, year, 4);
  for (std::size_t i = 0; i < std::size(fields); ++i) digits(5 + 3 * i, fields[i], 2);
  return text;
}

void Log(std::string_view level, std::string_view event, std::string_view detail) {
  std::lock_guard<std::mutex> lock(LogMutex);
  WriteLineLocked(level, event, detail);
}

void LogWin32Error(std::string_view event, std::uint32_t code) {
  if (code == 0) code = platform::CurrentOs().last_error();
  Log("ERROR", event, "win32=" + std::to_string(code));
}

void StartLog() {
  std::lock_guard<std::mutex> lock(LogMutex);
  if (LogStarted) return;
  LogStarted = true;
  platform::CurrentOs().truncate_file(LogFilePath());
  WriteLineLocked("INFO", "session_start", {});
}

std::string Hash8(std::string_view text) { return std::string(text.substr(0, 8)); }

void ResetLogStartedForTesting() {
  std::lock_guard<std::mutex> lock(LogMutex);
  LogStarted = false;
}

}  // namespace qir
