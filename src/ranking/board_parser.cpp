#include "ranking/board_parser.h"

#include <algorithm>

#include "net/json_readers.h"

namespace qir {

using nlohmann::json;

BoardEntry ParseBoardEntry(const json& e) {
  BoardEntry entry;
  entry.rank = JsonInt(e, {"rank"}, 0);
  entry.player_id = JsonInt(e, {"player_id", "playerId"}, 0);
  entry.exscore = JsonInt(e, {"exscore"}, 0);
  entry.notes = JsonInt(e, {"notes"}, 0);
  entry.clear_type = JsonInt(e, {"clear_type", "clearType"}, 0);
  entry.pgreat = JsonInt(e, {"pgreat"}, 0);
  entry.great = JsonInt(e, {"great"}, 0);
  entry.good = JsonInt(e, {"good"}, 0);
  entry.bad = JsonInt(e, {"bad"}, 0);
  entry.poor = JsonInt(e, {"poor"}, 0);
  entry.maxcombo = JsonInt(e, {"maxcombo"}, 0);
  entry.minbp = JsonInt(e, {"minbp"}, 0);
  entry.playcount = JsonInt(e, {"playcount"}, 0);
  entry.option_packed = JsonInt(e, {"option_packed", "optionPacked"}, 0);
  entry.keymode = JsonInt(e, {"keymode"}, 0);
  entry.display_name = JsonString(e, {"display_name", "displayName"});
  return entry;
}

void ParseBoard(const json& d, IRRankResult& result, BoardStats& stats, Board& board) {
  result.my_rank = JsonInt(d, {"rank", "my_rank", "myRank"}, result.my_rank);
  result.player_count =
      JsonInt(d, {"player_count", "playerCount", "total_player", "totalPlayer"},
              result.player_count);
  result.total_playcount = JsonInt(d, {"total_playcount", "totalPlaycount"}, result.total_playcount);
  stats.player_count = JsonInt(d, {"player_count", "playerCount"}, stats.player_count);

  if (d.is_object()) {
    const auto distribution = d.find("clear_distribution");
    if (distribution != d.end() && distribution->is_array() && distribution->size() >= 6) {
      for (std::size_t i = 0; i < 6; ++i) {
        // An element that is neither a number nor a boolean counts as no players.
        stats.clear_distribution[i] = JsonToInt((*distribution)[i]).value_or(0);
      }
    }
  }

  board.player_count = JsonInt(d, {"player_count", "playerCount"}, board.player_count);
  board.my_rank = JsonInt(d, {"my_rank", "myRank"}, board.my_rank);
  board.my_player_id = JsonInt(d, {"my_player_id", "myPlayerId"}, board.my_player_id);

  if (d.is_object()) {
    const auto entries = d.find("entries");
    if (entries != d.end() && entries->is_array()) {
      board.entries.reserve(entries->size());
      for (const json& element : *entries) {
        if (element.is_object()) board.entries.push_back(ParseBoardEntry(element));
      }
    }
  }

  // A positive own rank from "my_rank" wins over "rank".
  if (board.my_rank > 0) {
    result.my_rank = board.my_rank;
  } else if (result.my_rank > 0) {
    board.my_rank = result.my_rank;
  }
  const std::int32_t players =
      std::max({result.player_count, stats.player_count, board.player_count});
  if (players > 0) result.player_count = stats.player_count = board.player_count = players;

  std::copy(std::begin(stats.clear_distribution), std::end(stats.clear_distribution),
            std::begin(result.clear_distribution));

  result.entries.clear();
  result.entries.shrink_to_fit();
  result.entries.reserve(board.entries.size());
  for (const BoardEntry& entry : board.entries) result.entries.push_back(MakeHostEntry(entry));

  if (const auto fetched_at = JsonInt64(d, "fetched_at")) result.fetched_at = *fetched_at;
}

}  // namespace qir
