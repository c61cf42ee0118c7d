#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "net/encoding.h"

namespace qir {
namespace {

std::string Encode(const std::string& bytes) {
  return UrlEncode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(UrlEncode, Table) {
  const std::pair<std::string, std::string> rows[] = {
      {"", ""},
      {"AZaz09-._~", "AZaz09-._~"},
      {"a b", "a%20b"},
      {"%", "%25"},
      {"\xC3\xA9", "%C3%A9"},
      {"\n", "%0A"},
      {"+/=&?", "%2B%2F%3D%26%3F"},
      {std::string("\0x", 2), "%00x"},
      {"\xFF", "%FF"},
  };
  for (const auto& [in, out] : rows) EXPECT_EQ(Encode(in), out) << in;
}

TEST(UrlEncode, KeepsExactlyTheUnreservedBytes) {
  for (int b = 0; b < 256; ++b) {
    const std::string in(1, static_cast<char>(b));
    const bool unreserved = (b < 128 && std::isalnum(b)) || b == '-' || b == '.' || b == '_' ||
                            b == '~';
    char escaped[4];
    std::snprintf(escaped, sizeof escaped, "%%%02X", b);
    EXPECT_EQ(Encode(in), unreserved ? in : std::string(escaped)) << b;
  }
}

TEST(Utf8ToWide, LengthBoundsTheInput) {
  EXPECT_EQ(Utf8ToWide(nullptr, 5), u"");
  EXPECT_EQ(Utf8ToWide("abc", 0), u"");
  EXPECT_EQ(Utf8ToWide("abc", 2), u"ab");
  EXPECT_EQ(Utf8ToWide("a\0b", 3), std::u16string(u"a\0b", 3));
}

TEST(Utf8ToWide, DecodesAndSubstitutes) {
  EXPECT_EQ(Utf8ToWide("\xC3\xA9", 2), u"\u00E9");
  EXPECT_EQ(Utf8ToWide("\xE6\x97\xA5", 3), u"\u65E5");
  EXPECT_EQ(Utf8ToWide("\xF0\x9F\x8E\xB5", 4), u"\U0001F3B5");
  EXPECT_EQ(Utf8ToWide("a\xFF" "b", 3), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToWide("\xC3", 1), u"\uFFFD");
}

TEST(Utf8ToWide, BrokenSequencesBecomeSubstitutes) {
  const std::pair<std::string, std::u16string> rows[] = {
      {"\xE2\x82", u"\uFFFD"},
      {"\xE2\x82" "A", u"\uFFFD" "A"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong
      {"\xF0\x9F\x8E", u"\uFFFD"},
      {"\x80\x80", u"\uFFFD\uFFFD"},
  };
  for (const auto& [in, out] : rows) {
    EXPECT_EQ(Utf8ToWide(in.data(), in.size()), out) << ::testing::PrintToString(in);
  }
  // How many substitutes stand for a surrogate, an overlong three- or four-byte form
  // or a code point above U+10FFFF is the platform's choice; that nothing else comes
  // out of them is not.
  for (const std::string in : {"\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE0\x80\x80",
                               "\xF0\x8F\xBF\xBF"}) {
    const std::u16string out = Utf8ToWide(in.data(), in.size()) + u"x";
    const std::u16string decoded = Utf8ToWide((in + "x").data(), in.size() + 1);
    EXPECT_EQ(decoded, out);
    EXPECT_GE(decoded.size(), 2u);
    EXPECT_EQ(decoded.find_first_not_of(u"\uFFFD"), decoded.size() - 1)
        << ::testing::PrintToString(in);
  }
}

}  // namespace
}  // namespace qir
