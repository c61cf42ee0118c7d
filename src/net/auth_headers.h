// Request signing: every request carries the key, a timestamp and an HMAC-SHA256 of
// "{timestamp}.{payload}" keyed with the key.
#ifndef QUORVANE_NET_AUTH_HEADERS_H
#define QUORVANE_NET_AUTH_HEADERS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qir {

inline constexpr char kUserAgentBase[] =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0.0.0 Safari/537.36";
inline constexpr char kClientVersion[] = "0.1.5";

// Wall-clock seconds since 1970-01-01 UTC.
std::int64_t UnixTimeSeconds();

// The same text on every call: built once.
const std::u16string& UserAgent();

// 64 lower-case hexadecimal characters, or empty when hashing failed.
std::string HmacSha256Hex(const char* key, std::size_t key_length, const char* message,
                          std::size_t message_length);

// The five header lines, each ended by CR LF; empty when the block cannot be built
// (no key, a key holding a control character, or hashing failed).
std::u16string BuildAuthHeaders(const char* key, std::size_t key_length, const char* payload,
                                std::size_t payload_length);

}  // namespace qir

#endif
