// Whole decimal numbers from text: the command lines' options and the log's codes.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>

namespace qir::host {

// The number the text spells, all of it and nothing else; nothing for empty text,
// stray characters or a value out of the type's range.
template <typename Number>
std::optional<Number> ParseDecimal(std::string_view text) {
  Number value{};
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace qir::host
