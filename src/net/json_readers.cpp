#include "net/json_readers.h"

#include <cmath>
#include <limits>

namespace qir {
namespace {

using nlohmann::json;

// Converting a float outside the target's range is undefined, so such values are
// clamped first; NaN cannot come out of a parse and reads as 0.
template <typename Int>
Int ClampToInt(double value) {
  using Limits = std::numeric_limits<Int>;
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(Limits::min())) return Limits::min();
  // max() is not exactly representable: 2^31 or 2^63 as a double is one above it.
  if (value >= -static_cast<double>(Limits::min())) return Limits::max();
  return static_cast<Int>(value);
}

const json* Member(const json& value, std::string_view key) {
  if (!value.is_object()) return nullptr;
  const auto it = value.find(key);
  return it == value.end() ? nullptr : &*it;
}

}  // namespace

std::optional<std::int32_t> JsonToInt(const json& value) {
  switch (value.type()) {
    case json::value_t::number_integer:
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(value.get<std::int64_t>()));
    case json::value_t::number_unsigned:
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(value.get<std::uint64_t>()));
    case json::value_t::number_float:
      return ClampToInt<std::int32_t>(value.get<double>());
    case json::value_t::boolean:
      return value.get<bool>() ? 1 : 0;
    default:
      return std::nullopt;
  }
}

std::int32_t JsonInt(const json& value, JsonKeys keys, std::int32_t fallback) {
  for (const std::string_view key : keys) {
    if (const json* member = Member(value, key)) {
      if (const auto converted = JsonToInt(*member)) return *converted;
    }
  }
  return fallback;
}

std::string JsonString(const json& value, JsonKeys keys) {
  for (const std::string_view key : keys) {
    const json* member = Member(value, key);
    if (member != nullptr && member->is_string()) return member->get<std::string>();
  }
  return {};
}

std::optional<std::int64_t> JsonToInt64(const json& value) {
  switch (value.type()) {
    case json::value_t::number_integer:
      return value.get<std::int64_t>();
    case json::value_t::number_unsigned: {
      const auto number = value.get<std::uint64_t>();
      constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
      return static_cast<std::int64_t>(number > kMax ? kMax : number);
    }
    case json::value_t::number_float:
      return ClampToInt<std::int64_t>(value.get<double>());
    default:
      return std::nullopt;
  }
}

std::optional<std::int64_t> JsonInt64(const json& value, std::string_view key) {
  const json* member = Member(value, key);
  if (member == nullptr) return std::nullopt;
  return JsonToInt64(*member);
}

}  // namespace qir
