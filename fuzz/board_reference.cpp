#include "board_reference.h"

#include <algorithm>
#include <sstream>

#include "net/json_readers.h"
#include "ranking/board.h"

namespace qir::fuzz {

using nlohmann::json;

json ReferenceDocument(std::string_view text, bool whole_text) {
  if (whole_text) return json::parse(text, nullptr, false);
  try {
    std::istringstream in{std::string(text)};
    json document;
    in >> document;
    return document;
  } catch (const json::exception&) {
    return json(json::value_t::discarded);
  }
}

IRRankResult ReferenceBoard(const json& d) {
  IRRankResult result;
  std::int32_t distribution[6] = {0, 0, 0, 0, 0, 0};
  std::int32_t my_rank = JsonInt(d, {"rank", "my_rank", "myRank"}, 0);
  std::int32_t players = std::max(
      JsonInt(d, {"player_count", "playerCount", "total_player", "totalPlayer"}, 0),
      JsonInt(d, {"player_count", "playerCount"}, 0));
  const std::int32_t own_rank = JsonInt(d, {"my_rank", "myRank"}, 0);
  if (own_rank > 0) my_rank = own_rank;
  result.my_rank = my_rank;
  result.player_count =
      players > 0 ? players
                  : JsonInt(d, {"player_count", "playerCount", "total_player", "totalPlayer"}, 0);
  result.total_playcount = JsonInt(d, {"total_playcount", "totalPlaycount"}, 0);
  if (d.is_object()) {
    const auto list = d.find("clear_distribution");
    if (list != d.end() && list->is_array() && list->size() >= 6) {
      for (std::size_t i = 0; i < 6; ++i) distribution[i] = JsonToInt((*list)[i]).value_or(0);
    }
    const auto entries = d.find("entries");
    if (entries != d.end() && entries->is_array()) {
      for (const json& e : *entries) {
        if (!e.is_object()) continue;
        BoardEntry entry;
        entry.player_id = JsonInt(e, {"player_id", "playerId"}, 0);
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
        entry.display_name = JsonString(e, {"display_name", "displayName"});
        result.entries.push_back(MakeHostEntry(entry));
      }
    }
  }
  std::copy(std::begin(distribution), std::end(distribution),
            std::begin(result.clear_distribution));
  if (const auto at = JsonInt64(d, "fetched_at")) result.fetched_at = *at;
  return result;
}

std::string DescribeRecord(const IRRankResult& r) {
  std::ostringstream out;
  out << "at=" << r.fetched_at << " rank=" << r.my_rank << " host=" << r.host_value
      << " players=" << r.player_count << " plays=" << r.total_playcount << " dist=";
  for (const auto count : r.clear_distribution) out << count << ',';
  for (const IRRankEntry& e : r.entries) {
    out << "\n  [" << e.display_name.size() << ':' << e.display_name << ' '
        << e.host_text.size() << ':' << e.host_text << ' ' << e.host_value << ' ' << e.player_id
        << ' ' << e.playcount << ' ' << e.clear_type << ' ' << e.notes << ' ' << e.maxcombo << ' '
        << e.pgreat << ' ' << e.great << ' ' << e.good << ' ' << e.bad << ' ' << e.poor << ' '
        << e.minbp << ' ' << e.host_counter << ' ' << e.host_index;
    for (const auto v : e.host_wide) out << ' ' << v;
    for (const auto v : e.host_flags) out << ' ' << int{v};
    for (const auto v : e.host_times) out << ' ' << v;
    out << ']';
  }
  return out.str();
}

}  // namespace qir::fuzz
