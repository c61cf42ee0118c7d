// A chart's or course's ranking board from the IR server, into the host's record and
// the cache.
#ifndef QUORVANE_RANKING_BOARD_FETCH_H
#define QUORVANE_RANKING_BOARD_FETCH_H

#include <string>
#include <string_view>

#include "QuorvaneIR.h"
#include "net/endpoints.h"
#include "net/http_status.h"

namespace qir {

// "hash={encoded}&limit=999&offset=0": the whole board in one page.
std::string BoardQuery(std::string_view hash);

// Hashes of 64 bytes or more are courses.
Endpoint BoardEndpoint(std::string_view hash);

// One request: the host's record is emptied first and filled only from a reply that
// parses, which is then cached. A reply that is not JSON fails.
HttpStatus BoardFetchAttempt(std::string_view hash, const std::string& query,
                             const std::string& api_key, Endpoint endpoint,
                             IRRankResult& result);

// The board under the retry policy.
HttpStatus GetRankFromNetwork(std::string_view hash, const std::string& api_key,
                              IRRankResult& result);

}  // namespace qir

#endif
