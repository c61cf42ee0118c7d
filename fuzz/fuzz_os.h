// The operating system the fuzz targets run on: a scratch plugin folder, a fixed
// clock, no pauses, a log that goes nowhere and an HTTP transport that answers every
// request with the reply set last.
#ifndef QUORVANE_FUZZ_FUZZ_OS_H
#define QUORVANE_FUZZ_FUZZ_OS_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qir::fuzz {

inline constexpr std::int64_t kNow = 1'772'600'767;  // 2026-03-04 05:06:07 UTC

// Installs the table once per process; returns the plugin folder.
const std::filesystem::path& InstallFuzzOs();

// The next exchanges answer with this status and body, offered `chunk` bytes at a time.
void SetReply(std::uint32_t status_code, std::string_view body, std::uint32_t chunk = 1000);

}  // namespace qir::fuzz

#endif
