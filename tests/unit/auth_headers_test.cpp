#include "net/auth_headers.h"

#include "fake_os.h"

namespace qir {
namespace {

using testing::FakeOsTest;

std::string Hmac(const std::string& key, const std::string& message) {
  return HmacSha256Hex(key.data(), key.size(), message.data(), message.size());
}

TEST(HmacSha256Hex, KnownAnswers) {
  // RFC 4231 cases 2 and 6, and the empty key and message.
  EXPECT_EQ(Hmac("Jefe", "what do ya want for nothing?"),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  EXPECT_EQ(Hmac(std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
            "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
  EXPECT_EQ(Hmac("", ""), "b613679a0814d9ec772f95d778c35fc5ff1697c493715653c6c712144292c5ad");
}

TEST(UserAgent, IsTheBaseAndTheClientVersion) {
  const std::u16string agent = UserAgent();
  EXPECT_EQ(agent,
            u"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
            u"Chrome/120.0.0.0 Safari/537.36 QUORVANE_IR_0.1.5");
  EXPECT_EQ(agent.size(), 129u);
}

class AuthHeadersTest : public FakeOsTest {
 protected:
  std::u16string Block(const std::string& key, const std::string& payload) {
    return BuildAuthHeaders(key.data(), key.size(), payload.data(), payload.size());
  }
};

TEST_F(AuthHeadersTest, FiveLinesSignedOverTimestampDotPayload) {
  EXPECT_EQ(Block("key123", ""),
            u"Content-Type: application/json\r\nUser-Agent: " + UserAgent() +
                u"\r\nx-api-key: key123\r\nx-timestamp: 1772600767\r\n"
                u"x-signature: 9ff95caac2cafc400bb456d150a995ae5b2e66564ab841154adf8474d5922a7c\r\n");
}

TEST_F(AuthHeadersTest, RawKeyBytesAndQueryPayload) {
  const std::u16string block = Block("k\xC3\xA9y x", "hash=a%20b");
  EXPECT_NE(block.find(u"\r\nx-api-key: k\u00E9y x\r\n"), std::u16string::npos);
  EXPECT_NE(block.find(u"x-signature: 176439ea6eabff0f08c4af641462d1e8a3ee1dcea5d3f800483f1d0a74f9860d\r\n"),
            std::u16string::npos);
}

TEST_F(AuthHeadersTest, ANewSecondChangesTheSignature) {
  const std::u16string first = Block("key123", "");
  EXPECT_EQ(Block("key123", ""), first);
  ++now;
  const std::u16string later = Block("key123", "");
  EXPECT_NE(later.find(u"x-signature: 2f421a87a73cca24863d63890c2ce8491911f6a289c8519a55f6998ff3967fe6"),
            std::u16string::npos);
}

TEST_F(AuthHeadersTest, NoBlockForAMissingOrUnsafeKey) {
  EXPECT_EQ(Block("", "x"), u"");
  for (const std::string& key : std::vector<std::string>{"ab\ncd", "ab\rcd", std::string("ab\0cd", 5), "ab\x1F", "ab\x7F",
                                "\tkey"}) {
    EXPECT_EQ(Block(key, "x"), u"") << key;
  }
  EXPECT_NE(Block("a key with blanks", "x"), u"");
}

}  // namespace
}  // namespace qir
