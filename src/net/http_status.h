#ifndef QUORVANE_NET_HTTP_STATUS_H
#define QUORVANE_NET_HTTP_STATUS_H

#include <cstdint>

namespace qir {

// Result of every network operation; the slots hand the same numbers to the host.
enum class HttpStatus : std::int32_t {
  Ok = 0,     // a 2xx answer
  Retry = 1,  // no usable answer, or a status outside 2xx and 4xx
  Fail = 2,   // refused (4xx) or the request cannot be built
};

HttpStatus MapHttpStatus(std::uint32_t status_code);
const char* HttpStatusName(HttpStatus status);

}  // namespace qir

#endif
