// Where the IR server lives and how its API is addressed.
#ifndef QUORVANE_NET_ENDPOINTS_H
#define QUORVANE_NET_ENDPOINTS_H

#include <cstdint>

namespace qir {

enum class Endpoint : std::int32_t {
  ChartScore = 0,
  CourseScore = 1,
  ChartBoard = 2,
  CourseBoard = 3,
  ChartGhost = 4,
  IrLogin = 5,
};

// The API path; an empty string (never null) for a value outside the table.
const char16_t* EndpointPath(Endpoint endpoint);
// The name written after "endpoint=" in log details; "unknown" outside the table.
const char* EndpointLogName(Endpoint endpoint);

const char16_t* ServerHost();
std::int32_t ServerPort();
// WINHTTP_FLAG_SECURE: every request goes over TLS.
std::uint32_t RequestFlags();

// "https://{host}/redirecthash/" and the same followed by "{hash}".
const char* RankingPagePrefix();
const char* RankingPageTemplate();

}  // namespace qir

#endif
