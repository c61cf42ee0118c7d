// One parser for board replies and cache files alike.
#ifndef QUORVANE_RANKING_BOARD_PARSER_H
#define QUORVANE_RANKING_BOARD_PARSER_H

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "QuorvaneIR.h"
#include "ranking/board.h"

namespace qir {

// The members only a cache file carries, as they stand in it.
struct CacheFileMembers {
  std::optional<std::int64_t> fetched_at;  // as JsonInt64 reads it
  std::optional<std::string> hash;         // when it is a string
};

// Reads the JSON text leniently into the three records, which come in empty: keys
// missing or holding the wrong kind of value leave their fields at 0, and a document
// that is not an object gives an empty board. Of duplicate keys the last counts.
// With whole_text, anything but whitespace after the first JSON value makes the text
// no JSON; otherwise it is not examined. False when the text is no JSON: the records
// are then untouched. *cache_members, when asked for, gets the cache file's own members.
bool ParseBoard(std::string_view text, bool whole_text, IRRankResult& result, BoardStats& stats,
                Board& board, CacheFileMembers* cache_members = nullptr);
bool ParseBoard(std::istream& text, bool whole_text, IRRankResult& result, BoardStats& stats,
                Board& board, CacheFileMembers* cache_members = nullptr);

}  // namespace qir

#endif
