#include "plugin/login.h"

#include "fake_os.h"
#include "net/endpoints.h"

namespace qir {
namespace {

using testing::FakeExchangeScript;
using testing::FakeOsTest;
using Lines = std::vector<std::string>;

class LoginTest : public FakeOsTest {
 protected:
  void SetUp() override {
    FakeOsTest::SetUp();
    WriteFile(dir() / "key.txt", "key123\r\n");
  }
};

TEST(LoginReply, OnlyTheBooleanTrueLogsIn) {
  const std::pair<const char*, bool> rows[] = {
      {R"({"logged_in": true})", true},
      {R"({"logged_in": true, "player_id": 7, "extra": [1]})", true},
      {R"({"logged_in": false})", false},
      {R"({"logged_in": "true"})", false},
      {R"({"logged_in": 1})", false},
      {R"({"logged_in": null})", false},
      {R"({})", false},
      {R"([{"logged_in": true}])", false},
      {R"({"logged_in": true /* comment */})", false},
      {"", false},
      {"<html>", false},
  };
  for (const auto& [body, expected] : rows) EXPECT_EQ(LoginReplySaysLoggedIn(body), expected) << body;
}

TEST_F(LoginTest, AcceptedKey) {
  auto s = Script({.status_code = 200, .body = R"({"logged_in":true})"});
  EXPECT_TRUE(Login());
  EXPECT_EQ(s->target, u"/api/ir/login");
  EXPECT_NE(s->headers.find(u"x-api-key: key123\r\n"), std::u16string::npos);
  EXPECT_EQ(LogLines(),
            (Lines{"INFO | session_start",
                   "INFO | login_fetch | endpoint=ir_login port=" + std::to_string(ServerPort()) +
                       " secure=1 query_len=0",
                   "INFO | login_fetch_done | status_code=200 mapped_status=Ok body_size=18",
                   "INFO | login_done | logged_in=1"}));
  EXPECT_TRUE(sleeps.empty());
}

TEST_F(LoginTest, RefusalsAreFinal) {
  for (const auto& reply : std::vector<FakeExchangeScript>{
           {.status_code = 401, .body = R"({"error":"unknown key"})"},
           {.status_code = 200, .body = ""},
           {.status_code = 200, .body = R"({"logged_in":false})"}}) {
    used_exchanges.clear();
    Script(reply);
    EXPECT_FALSE(Login());
    EXPECT_EQ(used_exchanges.size(), 1u);
    EXPECT_EQ(LogLines().back(), "INFO | login_done | logged_in=0");
  }
  EXPECT_TRUE(sleeps.empty());
}

TEST_F(LoginTest, RetriesUntilAnAnswer) {
  Script({.status_code = 503});
  Script({.status_code = 200, .body = R"({"logged_in":true})"});
  EXPECT_TRUE(Login());
  EXPECT_EQ(sleeps, std::vector<std::uint32_t>{1000});
}

TEST_F(LoginTest, GivesUpAfterFourAttempts) {
  for (int i = 0; i < 5; ++i) Script({.fail_at = FakeExchangeScript::FailAt::Send, .error_code = 12029});
  EXPECT_FALSE(Login());
  EXPECT_EQ(used_exchanges.size(), 4u);
  EXPECT_EQ(sleeps, (std::vector<std::uint32_t>{1000, 2000, 4000, 4000}));
  EXPECT_EQ(LogLines().back(), "INFO | login_done | logged_in=0");
}

TEST_F(LoginTest, NoKeyNoRequest) {
  for (const char* content : {"", "\r\n"}) {
    WriteFile(dir() / "key.txt", content);
    EXPECT_FALSE(Login());
  }
  std::filesystem::remove(dir() / "key.txt");
  EXPECT_FALSE(Login());
  EXPECT_TRUE(used_exchanges.empty());
  EXPECT_EQ(LogLines(), (Lines{"INFO | session_start", "WARN | login_skip_no_api_key",
                               "WARN | login_skip_no_api_key", "WARN | login_skip_no_api_key"}));
}

TEST_F(LoginTest, SecondLoginKeepsTheLog) {
  WriteFile(dir() / "debug.log", "older\n");
  Script({.status_code = 200, .body = R"({"logged_in":true})"});
  Script({.status_code = 200, .body = R"({"logged_in":true})"});
  EXPECT_TRUE(Login());
  EXPECT_TRUE(Login());
  const Lines lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "INFO | session_start"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "INFO | login_done | logged_in=1"), 2);
  EXPECT_EQ(LogText().find("older"), std::string::npos);
}

}  // namespace
}  // namespace qir
