// Signed HTTPS requests to the IR server, each outcome reduced to an HttpStatus.
#ifndef QUORVANE_NET_HTTP_CLIENT_H
#define QUORVANE_NET_HTTP_CLIENT_H

#include <cstddef>
#include <string>
#include <string_view>

#include "net/endpoints.h"
#include "net/http_status.h"

namespace qir {

namespace platform {
class HttpExchange;
}

inline constexpr std::size_t kResponseBodyLimit = 262'144;

// GET path?query (bare path for an empty query). The body of any answer, capped at
// kResponseBodyLimit bytes, is left in *body; it is empty on every failure path.
// The label names the operation in the log ("login_fetch", "board_fetch", ...).
HttpStatus HttpGet(const std::string& query, const std::string& api_key, Endpoint endpoint,
                   std::string_view label, std::string& body);

// POST of a JSON body; the answer's body is not read.
HttpStatus HttpPost(const std::string& body, const std::string& api_key, Endpoint endpoint);

// *complete (when given) turns false when a read fails before the body's end.
std::string ReadResponseBody(platform::HttpExchange& exchange, std::size_t limit,
                             bool* complete = nullptr);

}  // namespace qir

#endif
