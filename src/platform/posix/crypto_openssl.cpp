#include <openssl/evp.h>
#include <openssl/hmac.h>

#include "platform/os.h"

namespace qir::platform {

std::optional<std::array<std::uint8_t, 32>> HmacSha256(std::string_view key,
                                                       std::string_view message) {
  std::array<std::uint8_t, 32> digest{};
  unsigned int length = 0;
  static const unsigned char kEmpty = 0;
  const void* key_bytes = key.empty() ? static_cast<const void*>(&kEmpty) : key.data();
  const auto* message_bytes =
      message.empty() ? &kEmpty : reinterpret_cast<const unsigned char*>(message.data());
  if (HMAC(EVP_sha256(), key_bytes, static_cast<int>(key.size()), message_bytes, message.size(),
           digest.data(), &length) == nullptr ||
      length != digest.size()) {
    return std::nullopt;
  }
  return digest;
}

}  // namespace qir::platform
