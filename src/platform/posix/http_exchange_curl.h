#ifndef QUORVANE_PLATFORM_POSIX_HTTP_EXCHANGE_CURL_H
#define QUORVANE_PLATFORM_POSIX_HTTP_EXCHANGE_CURL_H

#include <curl/curl.h>

#include <chrono>
#include <optional>
#include <string>

#include "platform/http_exchange.h"

namespace qir::platform {

// The exchange over libcurl. Send performs the whole transfer and keeps the body
// in memory, so Receive and the reads only hand out what already arrived.
class CurlHttpExchange final : public HttpExchange {
 public:
  CurlHttpExchange() = default;
  ~CurlHttpExchange() override;
  CurlHttpExchange(const CurlHttpExchange&) = delete;
  CurlHttpExchange& operator=(const CurlHttpExchange&) = delete;

  bool Open(const std::u16string& agent) override;
  bool SetProtocolOptions() override;
  bool Connect(const std::u16string& host, std::uint16_t port) override;
  bool OpenRequest(std::u16string_view verb, const std::u16string& target,
                   std::uint32_t flags) override;
  void SetDecompression() override;
  bool Send(const std::u16string& headers, std::string_view body,
            std::size_t response_body_limit) override;
  bool Receive() override;
  std::uint32_t StatusCode() override;
  bool QueryDataAvailable(std::uint32_t* available) override;
  bool ReadData(char* buffer, std::uint32_t size, std::uint32_t* read) override;
  std::optional<std::uint64_t> ContentLength() override;
  bool TakeBody(std::string& body, std::size_t limit) override;
  std::uint32_t last_error() const override { return last_error_; }

 private:
  using Clock = std::chrono::steady_clock;

  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static int OnProgress(void* self, curl_off_t download_total, curl_off_t downloaded,
                        curl_off_t upload_total, curl_off_t uploaded);

  CURL* curl_ = nullptr;
  curl_slist* headers_ = nullptr;
  std::string host_;
  std::uint16_t port_ = 0;
  bool connected_ = false;
  bool request_open_ = false;
  bool method_is_post_ = false;
  bool received_ = false;
  std::size_t body_limit_ = 0;
  // The transfer was ended on purpose once the caller had all it reads.
  bool stopped_at_limit_ = false;
  // Sized once from the reply's Content-Length, when it has one, before the body comes.
  std::string body_;
  std::size_t body_read_ = 0;
  std::uint32_t last_error_ = 0;
  // The time-outs' bookkeeping, in the transfer's own callbacks.
  Clock::time_point last_activity_{};
  curl_off_t downloaded_ = 0;
  curl_off_t uploaded_ = 0;
  bool request_sent_ = false;
  Clock::time_point sent_at_{};
  bool headers_received_ = false;
  Clock::time_point headers_at_{};
  bool timed_out_ = false;
};

}  // namespace qir::platform

#endif
