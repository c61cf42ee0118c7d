// The HTTPS exchange over WinHTTP, synchronous. Proxy and certificate checks are
// the platform's defaults: the system proxy settings and full certificate
// validation. The time-outs are set on every session (see Open), and the body's on
// every read (see BodyTimeLeft).
#include "platform/http_exchange.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/os.h"
#include "platform/secure_protocols.h"

// Older MinGW headers lack the newer options; the values are the system's.
#ifndef WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT
#define WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT 7
#endif
#ifndef WINHTTP_OPTION_SECURE_PROTOCOLS
#define WINHTTP_OPTION_SECURE_PROTOCOLS 84
#endif
#ifndef WINHTTP_OPTION_DECOMPRESSION
#define WINHTTP_OPTION_DECOMPRESSION 118
#endif
#ifndef WINHTTP_OPTION_ENABLE_HTTP_PROTOCOL
#define WINHTTP_OPTION_ENABLE_HTTP_PROTOCOL 133
#endif
#ifndef WINHTTP_PROTOCOL_FLAG_HTTP2
#define WINHTTP_PROTOCOL_FLAG_HTTP2 0x1
#endif
#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 0x00000800
#endif
#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif
#ifndef WINHTTP_DECOMPRESSION_FLAG_GZIP
#define WINHTTP_DECOMPRESSION_FLAG_GZIP 0x00000001
#endif
#ifndef WINHTTP_OPTION_REDIRECT_POLICY
#define WINHTTP_OPTION_REDIRECT_POLICY 88
#endif
#ifndef WINHTTP_OPTION_REDIRECT_POLICY_NEVER
#define WINHTTP_OPTION_REDIRECT_POLICY_NEVER 0
#endif
#ifndef WINHTTP_DECOMPRESSION_FLAG_DEFLATE
#define WINHTTP_DECOMPRESSION_FLAG_DEFLATE 0x00000002
#endif

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 unit on Windows");
static_assert(qir::platform::kSecureProtocolTls12 == WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 &&
                  qir::platform::kSecureProtocolTls13 == WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3,
              "the protocol flags are WinHTTP's");

namespace qir::platform {

namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

void SetDwordOption(HINTERNET handle, DWORD option, DWORD value) {
  WinHttpSetOption(handle, option, &value, sizeof(value));
}

// Name resolution stays unbounded, as on Windows: the resolver has its own.
bool SetTimeouts(HINTERNET handle, DWORD receive_timeout_ms) {
  return WinHttpSetTimeouts(handle, 0, QUORVANE_CONNECT_TIMEOUT_MS, QUORVANE_SEND_TIMEOUT_MS,
                            static_cast<int>(receive_timeout_ms)) != FALSE;
}

class WinHttpExchange final : public HttpExchange {
 public:
  WinHttpExchange() = default;
  WinHttpExchange(const WinHttpExchange&) = delete;
  WinHttpExchange& operator=(const WinHttpExchange&) = delete;

  ~WinHttpExchange() override {
    if (request_ != nullptr) WinHttpCloseHandle(request_);
    if (connection_ != nullptr) WinHttpCloseHandle(connection_);
    if (session_ != nullptr) WinHttpCloseHandle(session_);
  }

  // Windows bounds every stage by default, but not every WinHTTP does (Wine's waits
  // for the reply's headers forever), so the bounds are always set explicitly. A
  // session that would not take them is not used.
  bool Open(const std::u16string& agent) override {
    session_ = WinHttpOpen(Wide(agent), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    if (!Succeeded(session_ != nullptr)) return false;
    if (!Succeeded(SetTimeouts(session_, QUORVANE_RECEIVE_TIMEOUT_MS))) return false;
    DWORD response_timeout = QUORVANE_RESPONSE_TIMEOUT_MS;
    return Succeeded(WinHttpSetOption(session_, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                                      &response_timeout, sizeof(response_timeout)) != FALSE);
  }

  bool SetProtocolOptions() override {
    SetDwordOption(session_, WINHTTP_OPTION_ENABLE_HTTP_PROTOCOL, WINHTTP_PROTOCOL_FLAG_HTTP2);
    return RequireTls12OrNewer([this](std::uint32_t flags) {
      DWORD value = flags;
      return Succeeded(WinHttpSetOption(session_, WINHTTP_OPTION_SECURE_PROTOCOLS, &value,
                                        sizeof(value)) != FALSE);
    });
  }

  bool Connect(const std::u16string& host, std::uint16_t port) override {
    connection_ = WinHttpConnect(session_, Wide(host), static_cast<INTERNET_PORT>(port), 0);
    return Succeeded(connection_ != nullptr);
  }

  bool OpenRequest(std::u16string_view verb, const std::u16string& target,
                   std::uint32_t flags) override {
    const std::u16string verb_z(verb);
    request_ = WinHttpOpenRequest(connection_, Wide(verb_z), Wide(target), nullptr,
                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                  static_cast<DWORD>(flags));
    if (!Succeeded(request_ != nullptr)) return false;
    // A redirect would carry the signed headers, the API key among them, to another
    // address; the reply is taken as it stands, as libcurl does.
    SetDwordOption(request_, WINHTTP_OPTION_REDIRECT_POLICY, WINHTTP_OPTION_REDIRECT_POLICY_NEVER);
    return true;
  }

  void SetDecompression() override {
    SetDwordOption(request_, WINHTTP_OPTION_DECOMPRESSION,
                   WINHTTP_DECOMPRESSION_FLAG_GZIP | WINHTTP_DECOMPRESSION_FLAG_DEFLATE);
  }

  // WinHTTP streams the body on demand, so the caller's limit needs no buffering here.
  bool Send(const std::u16string& headers, std::string_view body,
            std::size_t /*response_body_limit*/) override {
    const DWORD length = static_cast<DWORD>(body.size());
    LPVOID data = body.empty() ? nullptr : const_cast<char*>(body.data());
    return Succeeded(WinHttpSendRequest(request_, Wide(headers), static_cast<DWORD>(-1), data,
                                        length, length, 0) != FALSE);
  }

  bool Receive() override {
    if (!Succeeded(WinHttpReceiveResponse(request_, nullptr) != FALSE)) return false;
    body_deadline_ = Clock::now() + std::chrono::milliseconds(QUORVANE_BODY_TIMEOUT_MS);
    announced_length_ = AnnouncedLength();
    return true;
  }

  std::uint32_t StatusCode() override {
    DWORD code = 0;
    DWORD size = sizeof(code);
    WinHttpQueryHeaders(request_, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX);
    return code;
  }

  bool QueryDataAvailable(std::uint32_t* available) override {
    *available = 0;
    if (!BodyTimeLeft()) return false;
    DWORD bytes = 0;
    const bool ok = BodyRead(WinHttpQueryDataAvailable(request_, &bytes) != FALSE);
    *available = ok ? bytes : 0;
    // Some WinHTTPs (Wine's) end the body quietly when the server closes the connection
    // inside it; short of its Content-Length, that is a broken connection, as libcurl
    // and Windows report it.
    if (ok && bytes == 0 && announced_length_ && received_ < *announced_length_) {
      last_error_ = ERROR_WINHTTP_CONNECTION_ERROR;
      return false;
    }
    return ok;
  }

  bool ReadData(char* buffer, std::uint32_t size, std::uint32_t* read) override {
    *read = 0;
    if (!BodyTimeLeft()) return false;
    DWORD bytes = 0;
    const bool ok = BodyRead(WinHttpReadData(request_, buffer, size, &bytes) != FALSE);
    *read = ok ? bytes : 0;
    received_ += *read;
    return ok;
  }

  // The reader sizes its one buffer from it.
  std::optional<std::uint64_t> ContentLength() override { return announced_length_; }

  std::uint32_t last_error() const override { return last_error_; }

 private:
  using Clock = std::chrono::steady_clock;

  bool Succeeded(bool ok) {
    if (!ok) last_error_ = GetLastError();
    return ok;
  }

  // WinHTTP bounds each read of the body, not the body: before every read its own
  // time-out is cut to what is left of the body's, so a body that trickles in, each
  // piece well inside the receive time-out, still ends on time. False, as a time-out,
  // once nothing is left. (WinHttpSetTimeouts on the request: Wine's WinHTTP applies
  // it to the next read, but not the receive time-out option alone.)
  bool BodyTimeLeft() {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(body_deadline_ - Clock::now());
    if (left.count() <= 0) {
      last_error_ = ERROR_WINHTTP_TIMEOUT;
      return false;
    }
    const auto timeout =
        static_cast<DWORD>(std::min<std::chrono::milliseconds::rep>(left.count(),
                                                                    QUORVANE_RECEIVE_TIMEOUT_MS));
    if (timeout != read_timeout_) {
      SetTimeouts(request_, timeout);
      read_timeout_ = timeout;
    }
    return true;
  }

  // A read that failed once the body's time was up, or timed out on what was left of
  // it, failed for that reason, whatever code the platform gives it (Wine's is
  // Winsock's WSAETIMEDOUT, and its clock may stop the read a moment early).
  bool BodyRead(bool ok) {
    if (Succeeded(ok)) return true;
    const bool timed_out = last_error_ == ERROR_WINHTTP_TIMEOUT || last_error_ == WSAETIMEDOUT;
    if (Clock::now() >= body_deadline_ ||
        (timed_out && read_timeout_ < QUORVANE_RECEIVE_TIMEOUT_MS)) {
      last_error_ = ERROR_WINHTTP_TIMEOUT;
    }
    return false;
  }

  // The body's length as the reply announces it; nothing when it does not, or when the
  // body arrives encoded (WinHTTP's count is then of the decoded bytes).
  std::optional<std::uint64_t> AnnouncedLength() {
    wchar_t encoding[64];
    DWORD size = sizeof(encoding);
    if (WinHttpQueryHeaders(request_, WINHTTP_QUERY_CONTENT_ENCODING, WINHTTP_HEADER_NAME_BY_INDEX,
                            encoding, &size, WINHTTP_NO_HEADER_INDEX) != FALSE ||
        GetLastError() != ERROR_WINHTTP_HEADER_NOT_FOUND) {
      return std::nullopt;
    }
    wchar_t text[32];
    size = sizeof(text);
    if (WinHttpQueryHeaders(request_, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                            text, &size, WINHTTP_NO_HEADER_INDEX) == FALSE) {
      return std::nullopt;
    }
    std::uint64_t length = 0;
    const std::size_t digits = size / sizeof(wchar_t);
    if (digits == 0 || digits > 19) return std::nullopt;
    for (std::size_t i = 0; i < digits; ++i) {
      if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
      length = length * 10 + static_cast<std::uint64_t>(text[i] - L'0');
    }
    return length;
  }

  HINTERNET session_ = nullptr;
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
  std::uint32_t last_error_ = 0;
  std::optional<std::uint64_t> announced_length_;
  std::uint64_t received_ = 0;
  Clock::time_point body_deadline_{};
  DWORD read_timeout_ = QUORVANE_RECEIVE_TIMEOUT_MS;
};

}  // namespace

std::unique_ptr<HttpExchange> NewWinHttpExchange() { return std::make_unique<WinHttpExchange>(); }

}  // namespace qir::platform
