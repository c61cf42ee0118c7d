#include "ranking/board.h"

#include "net/reply_members.h"

namespace qir {
namespace {

constexpr const ReplyMember& kClearType = Member(Reply::BoardEntry, "clear_type");

}  // namespace

IRRankEntry MakeHostEntry(const BoardEntry& entry) {
  IRRankEntry row;
  row.display_name = entry.display_name;
  row.player_id = entry.player_id;
  row.playcount = entry.playcount;
  row.clear_type = entry.clear_type >= kClearType.low && entry.clear_type <= kClearType.high
                       ? entry.clear_type
                       : kClearType.fallback;
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
