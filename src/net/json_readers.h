// Lenient readers of server replies and cache files: a field may stand under one of
// several keys, the first usable value wins, and nothing ever fails.
#ifndef QUORVANE_NET_JSON_READERS_H
#define QUORVANE_NET_JSON_READERS_H

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "net/reply_members.h"

namespace qir {

// The keys to try, in order: a braced list, or a member's names from the reply table.
class JsonKeys {
 public:
  constexpr JsonKeys(std::initializer_list<std::string_view> keys)
      : keys_(keys.begin(), keys.size()) {}
  constexpr JsonKeys(const MemberNames& names) : keys_(names.begin(), names.size()) {}
  constexpr const std::string_view* begin() const { return keys_.data(); }
  constexpr const std::string_view* end() const { return keys_.data() + keys_.size(); }

 private:
  std::span<const std::string_view> keys_;
};

// A number or boolean as a 32-bit integer: integers keep their low 32 bits, floats
// truncate toward zero and are clamped to the 32-bit range. Nothing for any other
// kind of value.
std::optional<std::int32_t> JsonToInt(const nlohmann::json& value);

// The first key of an object whose member converts as JsonToInt; otherwise fallback.
std::int32_t JsonInt(const nlohmann::json& value, JsonKeys keys, std::int32_t fallback);

// The first key of an object holding a string; otherwise empty.
std::string JsonString(const nlohmann::json& value, JsonKeys keys);

// An integer or float (floats truncated, both clamped to 64 bits); booleans, null
// and everything else give nothing.
std::optional<std::int64_t> JsonToInt64(const nlohmann::json& value);

// The member under the key, converted as JsonToInt64.
std::optional<std::int64_t> JsonInt64(const nlohmann::json& value, std::string_view key);

}  // namespace qir

#endif
