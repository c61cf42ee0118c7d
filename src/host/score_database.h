// The player's stored best for a chart, from the host's own score database.
#ifndef QUORVANE_HOST_SCORE_DATABASE_H
#define QUORVANE_HOST_SCORE_DATABASE_H

#include <cstdint>
#include <filesystem>
#include <string>

#include "QuorvaneIR.h"

namespace qir {

// One row of the host's table "score".
struct PreviousBest {
  std::int32_t clear = 0;
  std::int32_t perfect = 0;
  std::int32_t great = 0;
  std::int32_t good = 0;
  std::int32_t bad = 0;
  std::int32_t poor = 0;
  std::int32_t totalnotes = 0;
  std::int32_t maxcombo = 0;
  std::int32_t minbp = 0;
  std::int32_t playcount = 0;
  std::int32_t clearcount = 0;
  std::int32_t failcount = 0;
  std::int32_t rank = 0;
  std::int32_t rate = 0;
  std::int32_t clear_db = 0;
  std::int32_t clear_sd = 0;
  std::int32_t clear_ex = 0;
  std::int32_t op_best = 0;
  std::int32_t rseed = 0;
  std::string ghost;
};

inline constexpr char kPreviousBestQuery[] =
    "SELECT clear, perfect, great, good, bad, poor, totalnotes, maxcombo, minbp, playcount, "
    "clearcount, failcount, rank, rate, clear_db, clear_sd, clear_ex, op_best, rseed, ghost "
    "FROM score WHERE hash = ?";

// LR2files/Database/Score/{id}.db with the platform's separator, relative to the
// host's working directory.
std::filesystem::path ScoreDatabasePath(const std::string& player_id);

// Copies the stored row for the play's chart into *best; false when there is none
// (the record is then left as it was).
bool QueryPreviousBest(const IRPlayResult& play, PreviousBest& best);

}  // namespace qir

#endif
