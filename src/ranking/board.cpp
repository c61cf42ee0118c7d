#include "ranking/board.h"

namespace qir {

IRRankEntry MakeHostEntry(const BoardEntry& entry) {
  IRRankEntry row;
  row.display_name = entry.display_name;
  row.player_id = entry.player_id;
  row.playcount = entry.playcount;
  row.clear_type = static_cast<std::uint32_t>(entry.clear_type) <= 5 ? entry.clear_type : 0;
  row.notes = entry.notes;
  row.maxcombo = entry.maxcombo;
  row.pgreat = entry.pgreat;
  row.great = entry.great;
  row.good = entry.good;
  row.bad = entry.bad;
  row.poor = entry.poor;
  row.minbp = entry.minbp;
  return row;
}

}  // namespace qir
