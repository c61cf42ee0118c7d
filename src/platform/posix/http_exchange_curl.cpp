#include "platform/posix/http_exchange_curl.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/posix/utf16.h"
#include "quorvane_build_config.h"

namespace qir::platform {
namespace {

constexpr std::uint32_t kSecureFlag = 0x800000;

// The bounds the WinHTTP transport sets: connecting (here with the TLS handshake),
// the longest stall while the request goes out or the reply comes in, the reply's
// headers once the request is out, and its whole body once the headers are in.
constexpr long kConnectTimeoutMs = QUORVANE_CONNECT_TIMEOUT_MS;
constexpr std::chrono::milliseconds kSendStall{QUORVANE_SEND_TIMEOUT_MS};
constexpr std::chrono::milliseconds kReceiveStall{QUORVANE_RECEIVE_TIMEOUT_MS};
constexpr std::chrono::milliseconds kResponseTimeout{QUORVANE_RESPONSE_TIMEOUT_MS};
constexpr std::chrono::milliseconds kBodyTimeout{QUORVANE_BODY_TIMEOUT_MS};

}  // namespace

CurlHttpExchange::~CurlHttpExchange() {
  if (headers_ != nullptr) curl_slist_free_all(headers_);
  if (curl_ != nullptr) curl_easy_cleanup(curl_);
}

bool CurlHttpExchange::Open(const std::u16string& agent) {
  curl_ = curl_easy_init();
  if (curl_ == nullptr) {
    last_error_ = CURLE_FAILED_INIT;
    return false;
  }
  curl_easy_setopt(curl_, CURLOPT_USERAGENT, Utf16ToUtf8(agent).c_str());
  curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
  return true;
}

bool CurlHttpExchange::SetProtocolOptions() {
  curl_easy_setopt(curl_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
  // CURL_SSLVERSION_TLSv1_2 | CURL_SSLVERSION_MAX_TLSv1_3, spelled out: the macro's
  // enum arithmetic does not convert cleanly.
  const long tls_1_2_to_1_3 = static_cast<long>(CURL_SSLVERSION_TLSv1_2) |
                              (static_cast<long>(CURL_SSLVERSION_TLSv1_3) << 16);
  const CURLcode code = curl_easy_setopt(curl_, CURLOPT_SSLVERSION, tls_1_2_to_1_3);
  if (code != CURLE_OK) last_error_ = code;
  return code == CURLE_OK;
}

bool CurlHttpExchange::Connect(const std::u16string& host, std::uint16_t port) {
  if (host.empty()) {
    last_error_ = CURLE_URL_MALFORMAT;
    return false;
  }
  host_ = Utf16ToUtf8(host);
  port_ = port;
  connected_ = true;
  return true;
}

bool CurlHttpExchange::OpenRequest(std::u16string_view verb, const std::u16string& target,
                                   std::uint32_t flags) {
  if (!connected_ || target.empty() || target[0] != u'/') {
    last_error_ = CURLE_URL_MALFORMAT;
    return false;
  }
  const std::string scheme = (flags & kSecureFlag) != 0 ? "https://" : "http://";
  const std::string url = scheme + host_ + ":" + std::to_string(port_) + Utf16ToUtf8(target);
  curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
  method_is_post_ = verb == u"POST";
  if (method_is_post_) {
    curl_easy_setopt(curl_, CURLOPT_POST, 1L);
  } else {
    curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
  }
  // One connection per request, as the plugin opens and closes its handles per call.
  curl_easy_setopt(curl_, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(curl_, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
  if (std::strlen(QUORVANE_IR_CA_FILE) > 0) {
    curl_easy_setopt(curl_, CURLOPT_CAINFO, QUORVANE_IR_CA_FILE);
  }
  curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
  curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &CurlHttpExchange::OnProgress);
  curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &CurlHttpExchange::OnHeader);
  curl_easy_setopt(curl_, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &CurlHttpExchange::OnBody);
  curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
  request_open_ = true;
  return true;
}

void CurlHttpExchange::SetDecompression() {
  curl_easy_setopt(curl_, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
}

bool CurlHttpExchange::Send(const std::u16string& headers, std::string_view body,
                            std::size_t response_body_limit) {
  if (!request_open_) {
    last_error_ = CURLE_FAILED_INIT;
    return false;
  }
  // The header block is CR LF separated lines; libcurl takes them one by one.
  const std::string block = Utf16ToUtf8(headers);
  std::size_t start = 0;
  while (start < block.size()) {
    std::size_t end = block.find("\r\n", start);
    if (end == std::string::npos) end = block.size();
    if (end > start) {
      headers_ = curl_slist_append(headers_, block.substr(start, end - start).c_str());
    }
    start = end + 2;
  }
  // Only the headers WinHTTP would send: no Accept, no Expect: 100-continue.
  headers_ = curl_slist_append(headers_, "Accept:");
  headers_ = curl_slist_append(headers_, "Expect:");
  curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers_);

  if (method_is_post_) {
    curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.empty() ? "" : body.data());
  }

  body_limit_ = response_body_limit;
  const CURLcode result = curl_easy_perform(curl_);
  // A transfer stopped on purpose at the body limit still delivered its answer.
  if (result == CURLE_OK || (result == CURLE_WRITE_ERROR && stopped_at_limit_)) {
    received_ = true;
    return true;
  }
  last_error_ = static_cast<std::uint32_t>(timed_out_ ? CURLE_OPERATION_TIMEDOUT : result);
  // Whether the request left before the failure decides which stage failed.
  long request_size = 0;
  curl_easy_getinfo(curl_, CURLINFO_REQUEST_SIZE, &request_size);
  return request_size > 0;
}

bool CurlHttpExchange::Receive() { return received_; }

std::size_t CurlHttpExchange::OnHeader(char* data, std::size_t size, std::size_t count,
                                       void* self) {
  auto* exchange = static_cast<CurlHttpExchange*>(self);
  const std::size_t n = size * count;
  exchange->last_activity_ = Clock::now();
  const std::string_view line(data, n);
  // The blank line ends a header block; an interim (1xx) reply's block is not the answer.
  if (line == "\r\n" || line == "\n") {
    long code = 0;
    curl_easy_getinfo(exchange->curl_, CURLINFO_RESPONSE_CODE, &code);
    if (code >= 200) {
      exchange->headers_received_ = true;
      exchange->headers_at_ = exchange->last_activity_;
      // A caller that reads none of the body has its answer now: waiting for a body
      // that may be slow in coming would only hold it up.
      if (exchange->body_limit_ == 0) {
        exchange->stopped_at_limit_ = true;
        return 0;  // stops the transfer
      }
      // One buffer for the whole body, never beyond what the caller reads of it. A
      // packed reply unpacks to more than it announces; the buffer then grows.
      if (const auto length = exchange->ContentLength()) {
        exchange->body_.reserve(
            static_cast<std::size_t>(std::min<std::uint64_t>(*length, exchange->body_limit_)));
      }
    }
  }
  return n;
}

// libcurl calls this at least about once a second, and whenever data moves.
int CurlHttpExchange::OnProgress(void* self, curl_off_t /*download_total*/,
                                 curl_off_t downloaded, curl_off_t upload_total,
                                 curl_off_t uploaded) {
  auto* exchange = static_cast<CurlHttpExchange*>(self);
  const Clock::time_point now = Clock::now();
  curl_off_t pretransfer = 0;
  curl_easy_getinfo(exchange->curl_, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
  if (pretransfer == 0) {
    // Still connecting: the connect time-out bounds that.
    exchange->last_activity_ = now;
    return 0;
  }
  if (downloaded != exchange->downloaded_ || uploaded != exchange->uploaded_) {
    exchange->downloaded_ = downloaded;
    exchange->uploaded_ = uploaded;
    exchange->last_activity_ = now;
  }
  const bool sending = uploaded < upload_total;
  if (!sending && !exchange->request_sent_) {
    exchange->request_sent_ = true;
    exchange->sent_at_ = now;
  }
  const Clock::duration stalled = now - exchange->last_activity_;
  bool late = stalled > (sending ? kSendStall : kReceiveStall);
  if (!sending && !exchange->headers_received_ && now - exchange->sent_at_ > kResponseTimeout) {
    late = true;
  }
  // However steadily a body trickles in, it must be whole within its own bound.
  if (exchange->headers_received_ && now - exchange->headers_at_ > kBodyTimeout) late = true;
  if (!late) return 0;
  exchange->timed_out_ = true;
  return 1;  // stops the transfer
}

std::size_t CurlHttpExchange::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* exchange = static_cast<CurlHttpExchange*>(self);
  const std::size_t n = size * count;
  const std::size_t room = exchange->body_limit_ - exchange->body_.size();
  if (n <= room) {
    exchange->body_.append(data, n);
    return n;
  }
  exchange->body_.append(data, room);
  exchange->stopped_at_limit_ = true;
  return 0;  // stops the transfer
}

std::uint32_t CurlHttpExchange::StatusCode() {
  long code = 0;
  if (curl_ == nullptr || curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) {
    return 0;
  }
  return static_cast<std::uint32_t>(code);
}

bool CurlHttpExchange::QueryDataAvailable(std::uint32_t* available) {
  *available = static_cast<std::uint32_t>(body_.size() - body_read_);
  return true;
}

// libcurl's own reading of the reply's Content-Length, known once its headers are in.
std::optional<std::uint64_t> CurlHttpExchange::ContentLength() {
  curl_off_t length = -1;
  if (curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK ||
      length < 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(length);
}

bool CurlHttpExchange::TakeBody(std::string& body, std::size_t limit) {
  if (body_read_ != 0) return false;  // already being read piecewise
  if (body_.size() > limit) body_.resize(limit);
  body = std::move(body_);
  body_.clear();
  return true;
}

bool CurlHttpExchange::ReadData(char* buffer, std::uint32_t size, std::uint32_t* read) {
  const std::size_t n = std::min<std::size_t>(size, body_.size() - body_read_);
  std::memcpy(buffer, body_.data() + body_read_, n);
  body_read_ += n;
  *read = static_cast<std::uint32_t>(n);
  return true;
}

}  // namespace qir::platform
