// One HTTPS exchange, in the stages WinHTTP gives it: open a session, connect, open
// the request, send, receive, read the status and the body. The exchange owns its
// handles and closes them in reverse order of creation when it is destroyed. Every
// stage that can fail returns false and leaves its error code in last_error().
#ifndef QUORVANE_PLATFORM_HTTP_EXCHANGE_H
#define QUORVANE_PLATFORM_HTTP_EXCHANGE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qir::platform {

class HttpExchange {
 public:
  virtual ~HttpExchange() = default;

  virtual bool Open(const std::u16string& agent) = 0;
  // HTTP/2 allowed; TLS 1.2 and 1.3 only, or 1.2 alone where the platform knows no
  // 1.3. False, with the error in last_error(), when no TLS floor of 1.2 could be
  // set: the exchange then goes on under the platform's defaults. A refused HTTP/2 is
  // not reported.
  virtual bool SetProtocolOptions() = 0;
  virtual bool Connect(const std::u16string& host, std::uint16_t port) = 0;
  virtual bool OpenRequest(std::u16string_view verb, const std::u16string& target,
                           std::uint32_t flags) = 0;
  // gzip and deflate replies are unpacked. Failures are not reported.
  virtual void SetDecompression() = 0;
  // Sends the request. The header block is CR LF separated; the body may be empty.
  // The caller reads at most response_body_limit bytes of the answer's body, so an
  // implementation that buffers the body may drop whatever lies beyond.
  virtual bool Send(const std::u16string& headers, std::string_view body,
                    std::size_t response_body_limit) = 0;
  virtual bool Receive() = 0;
  // The final response's status code, 0 when it cannot be read.
  virtual std::uint32_t StatusCode() = 0;
  // Bytes of the body ready to read now; 0 at the end. False on failure.
  virtual bool QueryDataAvailable(std::uint32_t* available) = 0;
  // Reads up to size bytes. False on failure.
  virtual bool ReadData(char* buffer, std::uint32_t size, std::uint32_t* read) = 0;
  // The body's length as the reply's headers announce it (Content-Length), so that the
  // reader can size its buffer once; nothing when they announce none. A hint only: a
  // body may still come shorter, longer or unpacked to another size.
  virtual std::optional<std::uint64_t> ContentLength() { return std::nullopt; }
  // An exchange that already holds the whole body may hand its buffer over instead of
  // being read: it moves the body, at most limit bytes of it, into body and returns
  // true. One that streams returns false, and the body is read with the calls above.
  virtual bool TakeBody(std::string& /*body*/, std::size_t /*limit*/) { return false; }

  // Error code of the stage that failed last.
  virtual std::uint32_t last_error() const = 0;
};

}  // namespace qir::platform

#endif  // QUORVANE_PLATFORM_HTTP_EXCHANGE_H
