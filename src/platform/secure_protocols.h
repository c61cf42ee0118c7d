// Requiring TLS 1.2 or newer of a transport that takes WinHTTP's protocol flags.
#ifndef QUORVANE_PLATFORM_SECURE_PROTOCOLS_H
#define QUORVANE_PLATFORM_SECURE_PROTOCOLS_H

#include <cstdint>

namespace qir::platform {

// WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 and _TLS1_3.
inline constexpr std::uint32_t kSecureProtocolTls12 = 0x800;
inline constexpr std::uint32_t kSecureProtocolTls13 = 0x2000;

// set_protocols(flags) hands one set of flags to the transport and says whether it
// took them. TLS 1.2 and 1.3 are asked for together first. WinHTTP before Windows 11
// knows no 1.3 flag and refuses the whole set, which would leave its defaults (TLS 1.0
// and 1.1 on Windows 10, 1.0 alone on 7 and 8.0) in force, so it is then asked for
// 1.2 alone. False when neither set was taken.
template <typename SetProtocols>
bool RequireTls12OrNewer(SetProtocols&& set_protocols) {
  return set_protocols(kSecureProtocolTls12 | kSecureProtocolTls13) ||
         set_protocols(kSecureProtocolTls12);
}

}  // namespace qir::platform

#endif  // QUORVANE_PLATFORM_SECURE_PROTOCOLS_H
