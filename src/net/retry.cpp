#include "net/retry.h"

#include "platform/os.h"

namespace qir {

HttpStatus WithRetry(const std::function<HttpStatus()>& operation) {
  for (const std::uint32_t pause : kRetryPausesMs) {
    const HttpStatus status = operation();
    if (status != HttpStatus::Retry) return status;
    platform::CurrentOs().sleep_milliseconds(pause);
  }
  return HttpStatus::Retry;
}

}  // namespace qir
