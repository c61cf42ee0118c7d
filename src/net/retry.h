#ifndef QUORVANE_NET_RETRY_H
#define QUORVANE_NET_RETRY_H

#include <cstdint>
#include <functional>

#include "net/http_status.h"

namespace qir {

// Pauses after attempts 1 to 4; no fifth attempt follows the last one.
inline constexpr std::uint32_t kRetryPausesMs[] = {1000, 2000, 4000, 4000};

// Runs the operation until it answers something other than Retry, at most four
// times, pausing on the monotonic clock after each Retry.
HttpStatus WithRetry(const std::function<HttpStatus()>& operation);

}  // namespace qir

#endif
