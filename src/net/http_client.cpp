#include "net/http_client.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "diag/log.h"
#include "net/auth_headers.h"
#include "platform/http_exchange.h"
#include "platform/os.h"

namespace qir {
namespace {

// The body's first reservation when the reply announces no length.
constexpr std::size_t kInitialBodyReserve = 4096;

std::string Decimal(std::size_t value) { return std::to_string(value); }

// "endpoint={} port={} secure={}" shared by both request lines.
std::string RequestDetail(Endpoint endpoint) {
  return std::string("endpoint=") + EndpointLogName(endpoint) +
         " port=" + std::to_string(ServerPort()) + " secure=" + (RequestFlags() != 0 ? "1" : "0");
}

bool IsUsablePath(const char16_t* path) { return path != nullptr && path[0] != u'\0'; }

// Opens session, connection and request; logs the failing stage under its key.
struct OpenKeys {
  const char* open;
  const char* connect;
  const char* request;
};

bool OpenExchange(platform::HttpExchange& exchange, const std::u16string& agent,
                  std::u16string_view verb, const std::u16string& target, const OpenKeys& keys) {
  if (!exchange.Open(agent)) {
    LogWin32Error(keys.open, exchange.last_error());
    return false;
  }
  // Without a floor of TLS 1.2 the request still goes out, under the platform's
  // defaults: a server that takes only newer protocols refuses it, and this line says why.
  if (!exchange.SetProtocolOptions()) {
    Log("WARN", "http_tls_protocols_fail", "win32=" + std::to_string(exchange.last_error()));
  }
  if (!exchange.Connect(ServerHost(), static_cast<std::uint16_t>(ServerPort()))) {
    LogWin32Error(keys.connect, exchange.last_error());
    return false;
  }
  if (!exchange.OpenRequest(verb, target, RequestFlags())) {
    LogWin32Error(keys.request, exchange.last_error());
    return false;
  }
  exchange.SetDecompression();
  return true;
}

// The signed header block; empty, and logged, when the request cannot be signed.
std::u16string SignedHeaders(const std::string& api_key, const std::string& payload) {
  std::u16string headers =
      BuildAuthHeaders(api_key.data(), api_key.size(), payload.data(), payload.size());
  if (headers.empty()) Log("ERROR", "http_auth_headers_fail");
  return headers;
}

std::string StatusDetail(std::uint32_t status_code, HttpStatus mapped) {
  return "status_code=" + std::to_string(status_code) + " mapped_status=" + HttpStatusName(mapped);
}

}  // namespace

std::string ReadResponseBody(platform::HttpExchange& exchange, std::size_t limit,
                             bool* complete) {
  std::string body;
  if (complete != nullptr) *complete = true;
  // A transport that holds the whole body already hands its buffer over.
  if (exchange.TakeBody(body, limit)) return body;
  // Otherwise one buffer, sized once from the announced length (never beyond the
  // limit), is read into straight: no chunk buffer beside it, no regrowth.
  const std::optional<std::uint64_t> announced = exchange.ContentLength();
  body.reserve(announced ? static_cast<std::size_t>(std::min<std::uint64_t>(*announced, limit))
                         : std::min(kInitialBodyReserve, limit));
  auto broken = [complete] {
    if (complete != nullptr) *complete = false;
  };
  for (;;) {
    std::uint32_t available = 0;
    if (!exchange.QueryDataAvailable(&available)) {
      broken();
      break;
    }
    if (available == 0) break;
    if (body.size() >= limit) break;
    const std::size_t room = limit - body.size();
    const auto wanted = static_cast<std::uint32_t>(available < room ? available : room);
    const std::size_t before = body.size();
    body.resize(before + wanted);
    std::uint32_t read = 0;
    const bool ok = exchange.ReadData(body.data() + before, wanted, &read);
    body.resize(before + (ok ? std::min(read, wanted) : 0));
    if (!ok) broken();
    if (!ok || read == 0) break;
  }
  return body;
}

HttpStatus HttpGet(const std::string& query, const std::string& api_key, Endpoint endpoint,
                   std::string_view label, std::string& body) {
  body.clear();
  const std::u16string& agent = UserAgent();
  const char16_t* path = EndpointPath(endpoint);
  if (agent.empty() || !IsUsablePath(path)) {
    Log("ERROR", "http_auth_user_agent_fail");
    return HttpStatus::Fail;
  }

  std::u16string target = path;
  if (!query.empty()) {
    target.push_back(u'?');
    for (const char c : query) target.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  }

  Log("INFO", label, RequestDetail(endpoint) + " query_len=" + Decimal(query.size()));

  const std::unique_ptr<platform::HttpExchange> exchange =
      platform::CurrentOs().new_http_exchange();
  static constexpr OpenKeys kGetKeys{"http_winhttp_open_fail", "http_winhttp_connect_fail",
                                     "http_winhttp_request_fail"};
  if (!OpenExchange(*exchange, agent, u"GET", target, kGetKeys)) return HttpStatus::Retry;

  const std::u16string headers = SignedHeaders(api_key, query);
  if (headers.empty()) return HttpStatus::Fail;

  if (!exchange->Send(headers, {}, kResponseBodyLimit) || !exchange->Receive()) {
    LogWin32Error("http_winhttp_send_fail", exchange->last_error());
    return HttpStatus::Retry;
  }

  const std::uint32_t status_code = exchange->StatusCode();
  const HttpStatus mapped = MapHttpStatus(status_code);
  // A connection that breaks inside the body is no answer: a cut board or ghost
  // must not pass for a whole one.
  bool complete = true;
  body = ReadResponseBody(*exchange, kResponseBodyLimit, &complete);
  if (!complete) {
    body.clear();
    LogWin32Error("http_winhttp_send_fail", exchange->last_error());
    return HttpStatus::Retry;
  }

  std::string done_key(label);
  done_key += "_done";
  Log("INFO", done_key, StatusDetail(status_code, mapped) + " body_size=" + Decimal(body.size()));
  return mapped;
}

HttpStatus HttpPost(const std::string& body, const std::string& api_key, Endpoint endpoint) {
  const char16_t* path = EndpointPath(endpoint);
  Log("INFO", "http_begin", RequestDetail(endpoint) + " body_size=" + Decimal(body.size()));

  const std::u16string& agent = UserAgent();
  if (agent.empty() || !IsUsablePath(path)) {
    Log("ERROR", "http_auth_user_agent_fail");
    return HttpStatus::Fail;
  }

  const std::unique_ptr<platform::HttpExchange> exchange =
      platform::CurrentOs().new_http_exchange();
  static constexpr OpenKeys kPostKeys{"winhttp_open_fail", "winhttp_connect_fail",
                                      "winhttp_request_fail"};
  if (!OpenExchange(*exchange, agent, u"POST", path, kPostKeys)) return HttpStatus::Retry;

  const std::u16string headers = SignedHeaders(api_key, body);
  if (headers.empty()) return HttpStatus::Fail;

  const bool sent = exchange->Send(headers, body, 0);
  if (!sent || !exchange->Receive()) {
    const std::uint32_t code = exchange->last_error();
    Log("ERROR", "winhttp_send_fail", sent ? "sent=1" : "sent=0");
    LogWin32Error("winhttp_send_fail_err", code);
    return HttpStatus::Retry;
  }

  const std::uint32_t status_code = exchange->StatusCode();
  const HttpStatus mapped = MapHttpStatus(status_code);
  Log("INFO", "http_done", StatusDetail(status_code, mapped));
  return mapped;
}

}  // namespace qir
