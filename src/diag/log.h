// The diagnostic log: one line per observable step, in "debug.log" beside the plugin.
#ifndef QUORVANE_DIAG_LOG_H
#define QUORVANE_DIAG_LOG_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qir {

// Rotation threshold: a log larger than this is moved to "debug.log.old" first.
inline constexpr std::uintmax_t kLogRotateAboveBytes = 2'097'152;

// Writes "{time} | {level} | {event}\n", or with " | {detail}" before the line feed
// when the detail is not empty. Never fails to its caller.
void Log(std::string_view level, std::string_view event, std::string_view detail = {});

// An ERROR line with the detail "win32={code}"; code 0 means the platform's last error.
void LogWin32Error(std::string_view event, std::uint32_t code);

// At the first call in the process: empties the log and writes "session_start".
void StartLog();

// The first eight characters of a chart hash, as log details print it.
std::string Hash8(std::string_view text);

std::filesystem::path LogFilePath();

// The line as Log writes it, for a given timestamp text.
std::string FormatLogLine(std::string_view timestamp, std::string_view level,
                          std::string_view event, std::string_view detail);

// "YYYY-MM-DD hh:mm:ss" local time of the wall clock now.
std::string LogTimestamp();

// Forgets that the log was started (tests only).
void ResetLogStartedForTesting();

}  // namespace qir

#endif
