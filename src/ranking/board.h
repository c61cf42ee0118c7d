// A ranking board as it was read from a server reply or a cache file. The host's
// IRRankResult is derived from it; the cache file is written from it, so it keeps
// what the host record has no place for (rank, EX score, options, own player id).
#ifndef QUORVANE_RANKING_BOARD_H
#define QUORVANE_RANKING_BOARD_H

#include <cstdint>
#include <string>
#include <vector>

#include "QuorvaneIR.h"

namespace qir {

// One row, every value as read: a clear type of 7 stays 7 here.
struct BoardEntry {
  std::int32_t rank = 0;
  std::int32_t player_id = 0;
  std::int32_t exscore = 0;
  std::int32_t notes = 0;
  std::int32_t clear_type = 0;
  std::int32_t pgreat = 0;
  std::int32_t great = 0;
  std::int32_t good = 0;
  std::int32_t bad = 0;
  std::int32_t poor = 0;
  std::int32_t maxcombo = 0;
  std::int32_t minbp = 0;
  std::int32_t playcount = 0;
  std::int32_t option_packed = 0;
  std::int32_t keymode = 0;
  std::string display_name;
};

struct Board {
  std::int32_t player_count = 0;
  std::int32_t my_rank = 0;
  std::int32_t my_player_id = 0;
  std::vector<BoardEntry> entries;
};

struct BoardStats {
  std::int32_t player_count = 0;
  std::int32_t clear_distribution[6] = {0, 0, 0, 0, 0, 0};
};

// The host's row for a board row: clear types outside 0 to 5 become 0; rank, EX
// score, packed option and key mode are not carried over.
IRRankEntry MakeHostEntry(const BoardEntry& entry);

}  // namespace qir

#endif
