#include "net/auth_headers.h"

#include <algorithm>

#include "net/encoding.h"
#include "platform/os.h"

namespace qir {
namespace {

// A control character in the key would end the header line early and smuggle
// whatever follows into the request as headers of its own.
bool IsHeaderSafe(std::string_view key) {
  return std::none_of(key.begin(), key.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

std::u16string Widen(const std::string& text) { return Utf8ToWide(text.data(), text.size()); }

// ASCII widens unit by unit; anything else goes through the UTF-8 decoder.
void AppendWidened(std::u16string& out, std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) {
    out.append(Utf8ToWide(text.data(), text.size()));
    return;
  }
  for (const char c : text) out.push_back(static_cast<char16_t>(c));
}

}  // namespace

std::int64_t UnixTimeSeconds() { return platform::CurrentOs().wall_clock_seconds(); }

const std::u16string& UserAgent() {
  static const std::u16string agent =
      Widen(std::string(kUserAgentBase) + " QUORVANE_IR_" + kClientVersion);
  return agent;
}

std::string HmacSha256Hex(const char* key, std::size_t key_length, const char* message,
                          std::size_t message_length) {
  const auto digest = platform::HmacSha256(std::string_view(key, key_length),
                                           std::string_view(message, message_length));
  if (!digest) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(digest->size() * 2);
  for (const std::uint8_t byte : *digest) {
    hex.push_back(kHex[byte >> 4]);
    hex.push_back(kHex[byte & 0x0F]);
  }
  return hex;
}

std::u16string BuildAuthHeaders(const char* key, std::size_t key_length, const char* payload,
                                std::size_t payload_length) {
  if (key_length == 0) return {};
  const std::string_view key_text(key, key_length);
  if (!IsHeaderSafe(key_text)) return {};

  const std::string timestamp = std::to_string(UnixTimeSeconds());
  std::string message;
  message.reserve(timestamp.size() + 1 + payload_length);
  message.append(timestamp).append(".").append(payload, payload_length);

  const std::string signature = HmacSha256Hex(key, key_length, message.data(), message.size());
  if (signature.empty()) return {};

  const std::u16string& agent = UserAgent();
  std::u16string block;
  block.reserve(128 + agent.size() + key_text.size() + timestamp.size() + signature.size());
  block.append(u"Content-Type: application/json\r\nUser-Agent: ").append(agent);
  block.append(u"\r\nx-api-key: ");
  AppendWidened(block, key_text);
  block.append(u"\r\nx-timestamp: ");
  AppendWidened(block, timestamp);
  block.append(u"\r\nx-signature: ");
  AppendWidened(block, signature);
  block.append(u"\r\n");
  return block;
}

}  // namespace qir
