// A ghost of a chart from the IR server, chosen by mode and target player.
#ifndef QUORVANE_GHOST_GHOST_FETCH_H
#define QUORVANE_GHOST_GHOST_FETCH_H

#include <cstdint>
#include <string>
#include <string_view>

#include "QuorvaneIR.h"
#include "net/http_status.h"

namespace qir {

// "target", "top", "next" or "average"; "target" for a value outside the enumeration.
const char* GhostModeWord(GhostMode mode);

// "hash={encoded}&target_player_id={id}&mode={word}"; the id is sent whatever the mode.
std::string GhostQuery(std::string_view hash, GhostMode mode, std::int32_t target_player_id);

struct DecodedOptions {
  std::int32_t option_main = 1;
  std::int32_t option_pair[2] = {0, 0};
  bool option_flag = false;
};

// Up to four decimal option digits: units -> main option, tens and hundreds -> the
// pair, thousands -> the flag. Zero or less gives the main option 1 alone.
DecodedOptions DecodeOptionPacked(std::int32_t packed);

// One request. The record is touched only when the server answered; a reply that is
// not JSON leaves it empty and still counts as Ok.
HttpStatus GhostFetchAttempt(const std::string& query, const std::string& api_key,
                             IRGhostResult& result);

HttpStatus GetGhostFromNetwork(std::string_view hash, GhostMode mode,
                               std::int32_t target_player_id, const std::string& api_key,
                               IRGhostResult& result);

}  // namespace qir

#endif
