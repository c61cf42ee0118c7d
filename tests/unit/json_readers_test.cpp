#include "net/json_readers.h"

#include <gtest/gtest.h>

#include <limits>

namespace qir {
namespace {

using nlohmann::json;

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

TEST(JsonInt, ConvertsTheFirstUsableKey) {
  const std::pair<const char*, std::int32_t> rows[] = {
      {R"({"a": 7, "b": 9})", 7},
      {R"({"a": null, "b": 9})", 9},
      {R"({"a": "7", "b": [1], "c": {"x": 1}})", -1},
      {R"({"b": true})", 1},
      {R"({"a": false, "b": 9})", 0},
      {R"({"a": 12.9})", 12},
      {R"({"a": -12.9})", -12},
      {R"({"a": 4294967306})", 10},  // low 32 bits
      {R"({"a": 18446744073709551615})", -1},
      {R"({"a": -4294967297})", -1},
      {R"({"a": 2147483647.9})", kMax32},
      {R"({"a": 1e300})", kMax32},  // out of range: clamped
      {R"({"a": -1e300})", kMin32},
      {R"({"a": 123456789012345678901234567890})", kMax32},  // held as a float
      {R"({"A": 7})", -1},                                   // keys are case-sensitive
      {R"([{"a": 7}])", -1},
      {R"(7)", -1},
      {R"(null)", -1},
  };
  for (const auto& [text, expected] : rows) {
    EXPECT_EQ(JsonInt(json::parse(text), {"a", "b", "c"}, -1), expected) << text;
  }
}

TEST(JsonString, OnlyStringsCount) {
  const std::pair<const char*, std::string> rows[] = {
      {R"({"a": "x", "b": "y"})", "x"},
      {R"({"a": 5, "b": "y"})", "y"},
      {R"({"a": null, "b": ["y"]})", ""},
      {R"({"a": "\u00e9\u0000z"})", std::string("\xC3\xA9\0z", 4)},  // unchanged, NUL kept
      {R"("a")", ""},
  };
  for (const auto& [text, expected] : rows) EXPECT_EQ(JsonString(json::parse(text), {"a", "b"}), expected) << text;
}

TEST(JsonInt64, NumbersOnly) {
  const std::pair<const char*, std::optional<std::int64_t>> rows[] = {
      {R"({"t": 1772600767})", 1772600767},
      {R"({"t": -5})", -5},
      {R"({"t": 9007199254740993})", 9007199254740993},
      {R"({"t": 18446744073709551615})", kMax64},
      {R"({"t": 1772600767.99})", 1772600767},
      {R"({"t": 1e300})", kMax64},
      {R"({"t": -1e300})", kMin64},
      {R"({"t": true})", std::nullopt},
      {R"({"t": null})", std::nullopt},
      {R"({"t": "1772600767"})", std::nullopt},
      {R"({"T": 1})", std::nullopt},
      {R"([1])", std::nullopt},
  };
  for (const auto& [text, expected] : rows) EXPECT_EQ(JsonInt64(json::parse(text), "t"), expected) << text;
}

}  // namespace
}  // namespace qir
