#include "net/http_client.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "fake_os.h"
#include "net/auth_headers.h"

namespace qir {
namespace {

using testing::FakeExchangeScript;
using testing::FakeOsTest;
using FailAt = FakeExchangeScript::FailAt;
using Lines = std::vector<std::string>;

class HttpClientTest : public FakeOsTest {
 protected:
  std::string body = "stale";
  HttpStatus Get(const std::string& query, Endpoint endpoint = Endpoint::ChartBoard,
                 const std::string& key = "key123") {
    return HttpGet(query, key, endpoint, "board_fetch", body);
  }
};

TEST_F(HttpClientTest, GetSendsTheSignedRequestAndReturnsTheBody) {
  auto s = Script({.status_code = 200, .body = "{\"ok\":1}"});
  EXPECT_EQ(Get("hash=abc&limit=999&offset=0"), HttpStatus::Ok);
  EXPECT_EQ(body, "{\"ok\":1}");
  EXPECT_EQ(s->agent, UserAgent());
  EXPECT_EQ(s->port, ServerPort());
  EXPECT_EQ(s->verb, u"GET");
  EXPECT_EQ(s->target, u"/api/chart/board?hash=abc&limit=999&offset=0");
  EXPECT_EQ(s->flags, 0x800000u);
  EXPECT_TRUE(s->protocol_options);
  EXPECT_TRUE(s->decompression);
  EXPECT_TRUE(s->destroyed);
  const std::string q = "hash=abc&limit=999&offset=0";
  EXPECT_EQ(s->headers, BuildAuthHeaders("key123", 6, q.data(), q.size()));
  EXPECT_EQ(LogLines(),
            (Lines{"INFO | board_fetch | endpoint=chart port=" + std::to_string(ServerPort()) +
                       " secure=1 query_len=27",
                   "INFO | board_fetch_done | status_code=200 mapped_status=Ok body_size=8"}));
}

TEST_F(HttpClientTest, EmptyQueryAsksForTheBarePath) {
  auto s = Script();
  HttpGet("", "key123", Endpoint::IrLogin, "login_fetch", body);
  EXPECT_EQ(s->target, u"/api/ir/login");
}

TEST_F(HttpClientTest, ErrorRepliesKeepTheirBody) {
  Script({.status_code = 404, .body = "missing"});
  EXPECT_EQ(Get("q"), HttpStatus::Fail);
  EXPECT_EQ(body, "missing");
  Script({.status_code = 503, .body = ""});
  EXPECT_EQ(Get("q"), HttpStatus::Retry);
  EXPECT_EQ(LogLines().back(), "INFO | board_fetch_done | status_code=503 mapped_status=Retry body_size=0");
}

TEST_F(HttpClientTest, BodyIsCutAtTheLimit) {
  for (const std::size_t size : {kResponseBodyLimit - 1, kResponseBodyLimit, kResponseBodyLimit + 1,
                                 kResponseBodyLimit + 5000}) {
    std::string big(size, 'b');
    big[0] = 'a';
    Script({.status_code = 200, .body = big, .chunk = 7000});
    EXPECT_EQ(Get("q"), HttpStatus::Ok);
    EXPECT_EQ(body, big.substr(0, kResponseBodyLimit)) << size;
  }
}

TEST_F(HttpClientTest, GetFailureStages) {
  struct Row {
    FailAt stage;
    const char* line;
  };
  const Row rows[] = {
      {FailAt::Open, "ERROR | http_winhttp_open_fail | win32=12007"},
      {FailAt::Connect, "ERROR | http_winhttp_connect_fail | win32=12007"},
      {FailAt::OpenRequest, "ERROR | http_winhttp_request_fail | win32=12007"},
      {FailAt::Send, "ERROR | http_winhttp_send_fail | win32=12007"},
      {FailAt::Receive, "ERROR | http_winhttp_send_fail | win32=12007"},
      {FailAt::Read, "ERROR | http_winhttp_send_fail | win32=12007"},  // cut inside the body
  };
  for (const Row& row : rows) {
    std::filesystem::remove(dir() / "debug.log");
    body = "stale";
    auto s = Script({.fail_at = row.stage, .error_code = 12007, .body = "never read", .chunk = 3});
    EXPECT_EQ(Get("q"), HttpStatus::Retry);
    EXPECT_EQ(body, "");
    EXPECT_TRUE(s->destroyed);
    const Lines lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], row.line);
  }
}

TEST_F(HttpClientTest, GetWithoutKeyIsRefusedBeforeSending) {
  auto s = Script();
  EXPECT_EQ(Get("q", Endpoint::ChartBoard, ""), HttpStatus::Fail);
  EXPECT_EQ(s->headers, u"");
  EXPECT_EQ(LogLines().back(), "ERROR | http_auth_headers_fail");
}

TEST_F(HttpClientTest, UnknownEndpointIsRefusedWithoutAnyExchange) {
  EXPECT_EQ(Get("q", static_cast<Endpoint>(6)), HttpStatus::Fail);
  EXPECT_EQ(HttpPost("{}", "key123", static_cast<Endpoint>(9)), HttpStatus::Fail);
  EXPECT_TRUE(used_exchanges.empty());
  EXPECT_EQ(LogLines(),
            (Lines{"ERROR | http_auth_user_agent_fail",
                   "INFO | http_begin | endpoint=unknown port=" + std::to_string(ServerPort()) +
                       " secure=1 body_size=2",
                   "ERROR | http_auth_user_agent_fail"}));
}

TEST_F(HttpClientTest, PostSendsTheBodyToTheBarePath) {
  auto s = Script({.status_code = 200, .body = "ignored"});
  const std::string doc = "{\"a\":1}";
  EXPECT_EQ(HttpPost(doc, "key123", Endpoint::CourseScore), HttpStatus::Ok);
  EXPECT_EQ(s->verb, u"POST");
  EXPECT_EQ(s->target, u"/api/course/score");
  EXPECT_EQ(s->sent_body, doc);
  EXPECT_EQ(s->headers, BuildAuthHeaders("key123", 6, doc.data(), doc.size()));
  EXPECT_EQ(LogLines(), (Lines{"INFO | http_begin | endpoint=course port=" +
                                   std::to_string(ServerPort()) + " secure=1 body_size=7",
                               "INFO | http_done | status_code=200 mapped_status=Ok"}));
}

TEST_F(HttpClientTest, PostWithEmptyBodyIsSignedOverTheTimestampAlone) {
  auto s = Script();
  HttpPost("", "key123", Endpoint::ChartScore);
  EXPECT_EQ(s->sent_body, "");
  EXPECT_NE(s->headers.find(u"9ff95caac2cafc400bb456d150a995ae5b2e66564ab841154adf8474d5922a7c"),
            std::u16string::npos);
}

TEST_F(HttpClientTest, PostFailureStages) {
  struct Row {
    FailAt stage;
    Lines tail;
  };
  const Row rows[] = {
      {FailAt::Open, {"ERROR | winhttp_open_fail | win32=12029"}},
      {FailAt::Connect, {"ERROR | winhttp_connect_fail | win32=12029"}},
      {FailAt::OpenRequest, {"ERROR | winhttp_request_fail | win32=12029"}},
      {FailAt::Send,
       {"ERROR | winhttp_send_fail | sent=0", "ERROR | winhttp_send_fail_err | win32=12029"}},
      {FailAt::Receive,
       {"ERROR | winhttp_send_fail | sent=1", "ERROR | winhttp_send_fail_err | win32=12029"}},
  };
  for (const Row& row : rows) {
    std::filesystem::remove(dir() / "debug.log");
    Script({.fail_at = row.stage, .error_code = 12029});
    EXPECT_EQ(HttpPost("{}", "key123", Endpoint::ChartScore), HttpStatus::Retry);
    Lines lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().substr(0, 19), "INFO | http_begin |");
    lines.erase(lines.begin());
    EXPECT_EQ(lines, row.tail);
  }
}

// WinHTTP before Windows 11 refuses the TLS 1.3 flag and with it the whole set; a
// platform that refuses even TLS 1.2 alone leaves one WARN line, and the request goes on.
TEST_F(HttpClientTest, TlsFloorFallsBackToTls12Alone) {
  struct Row {
    std::uint32_t known;
    std::vector<std::uint32_t> asked;
    bool warns;
  };
  const Row rows[] = {
      {0x2800, {0x2800}, false},
      {0x800, {0x2800, 0x800}, false},
      {0, {0x2800, 0x800}, true},
  };
  const std::string port = std::to_string(ServerPort());
  const std::string warn = "WARN | http_tls_protocols_fail | win32=87";
  for (const Row& row : rows) {
    std::filesystem::remove(dir() / "debug.log");
    auto get = Script({.error_code = 87, .body = "{}", .tls_protocols_known = row.known});
    auto post = Script({.error_code = 87, .tls_protocols_known = row.known});
    EXPECT_EQ(Get("q"), HttpStatus::Ok) << row.known;
    EXPECT_EQ(body, "{}");
    EXPECT_EQ(HttpPost("{}", "key123", Endpoint::ChartScore), HttpStatus::Ok) << row.known;
    EXPECT_EQ(get->tls_protocols_asked, row.asked) << row.known;
    EXPECT_EQ(post->tls_protocols_asked, row.asked) << row.known;
    EXPECT_EQ(post->sent_body, "{}");
    Lines expected = {"INFO | board_fetch | endpoint=chart port=" + port + " secure=1 query_len=1",
                      "INFO | board_fetch_done | status_code=200 mapped_status=Ok body_size=2",
                      "INFO | http_begin | endpoint=chart port=" + port + " secure=1 body_size=2",
                      "INFO | http_done | status_code=200 mapped_status=Ok"};
    if (row.warns) {
      expected.insert(expected.begin() + 3, warn);
      expected.insert(expected.begin() + 1, warn);
    }
    EXPECT_EQ(LogLines(), expected) << row.known;
  }
}

TEST_F(HttpClientTest, PostStatusMapping) {
  Script({.status_code = 400});
  EXPECT_EQ(HttpPost("{}", "key123", Endpoint::ChartScore), HttpStatus::Fail);
  Script({.status_code = 503});
  EXPECT_EQ(HttpPost("{}", "key123", Endpoint::ChartScore), HttpStatus::Retry);
  EXPECT_EQ(LogLines().back(), "INFO | http_done | status_code=503 mapped_status=Retry");
}


TEST(ReadResponseBodyTest, ReadsIntoOneBufferSizedFromTheAnnouncedLengthUpToTheLimit) {
  struct Row {
    std::size_t size;
    std::uint64_t announced;
    std::size_t limit;
  };
  for (const Row& row : {Row{20'000, 20'000, kResponseBodyLimit},
                         Row{20'000, 4'000'000'000, 30'000},  // announced beyond the limit
                         Row{9'000, 4'000'000'000, 7'000}}) {  // body beyond the limit
    std::string sent(row.size, 'x');
    sent[0] = '{';
    auto script = std::make_shared<FakeExchangeScript>(
        FakeExchangeScript{.body = sent, .chunk = 3000, .content_length = row.announced});
    const auto exchange = testing::NewFakeExchange(script);
    bool complete = false;
    const std::string body = ReadResponseBody(*exchange, row.limit, &complete);
    EXPECT_TRUE(complete);
    EXPECT_EQ(body, sent.substr(0, row.limit)) << row.size;
    EXPECT_LT(body.capacity(), 2 * row.limit) << row.size;
    ASSERT_GT(script->reads.size(), 2u);
    for (const auto& [destination, offset] : script->reads) {
      EXPECT_EQ(destination, body.data() + offset) << row.size << " at " << offset;
    }
  }
}

// A transport that holds the whole body hands it over; it must not be read.
TEST(ReadResponseBodyTest, AHeldBodyIsHandedOverWithoutACopy) {
  auto script = std::make_shared<FakeExchangeScript>(
      FakeExchangeScript{.body = std::string(100'000, 'y'), .holds_body = true});
  const char* const where = script->body.data();
  const auto exchange = testing::NewFakeExchange(script);
  bool complete = false;
  const std::string body = ReadResponseBody(*exchange, kResponseBodyLimit, &complete);
  EXPECT_TRUE(complete);
  EXPECT_EQ(body.size(), 100'000u);
  EXPECT_EQ(body.data(), where);
  EXPECT_TRUE(script->reads.empty()) << "a held body was read piecewise";
}

}  // namespace
}  // namespace qir
