#include "records_json.h"

namespace qir::host {

using nlohmann::json;

nlohmann::json BoardJson(const IRRankResult& board) {
  json entries = json::array();
  for (const IRRankEntry& e : board.entries) {
    entries.push_back({{"display_name", e.display_name},
                       {"player_id", e.player_id},
                       {"playcount", e.playcount},
                       {"clear_type", e.clear_type},
                       {"notes", e.notes},
                       {"maxcombo", e.maxcombo},
                       {"pgreat", e.pgreat},
                       {"great", e.great},
                       {"good", e.good},
                       {"bad", e.bad},
                       {"poor", e.poor},
                       {"minbp", e.minbp}});
  }
  json distribution = json::array();
  for (const std::int32_t count : board.clear_distribution) distribution.push_back(count);
  return {{"entries", std::move(entries)},
          {"clear_distribution", std::move(distribution)},
          {"fetched_at", board.fetched_at},
          {"my_rank", board.my_rank},
          {"player_count", board.player_count},
          {"total_playcount", board.total_playcount}};
}

nlohmann::json GhostJson(const IRGhostResult& ghost) {
  return {{"display_name", ghost.display_name},
          {"ghost_data", ghost.ghost_data},
          {"option_main", ghost.option_main},
          {"option_pair", {ghost.option_pair[0], ghost.option_pair[1]}},
          {"option_flag", ghost.option_flag},
          {"random_seed", ghost.random_seed},
          {"average_exscore", ghost.average_exscore}};
}

std::string DumpOutput(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace qir::host
