#include "ranking/rank_cache.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "diag/log.h"
#include "diag/plugin_files.h"
#include "net/auth_headers.h"
#include "net/json_readers.h"
#include "ranking/board_parser.h"

namespace qir {
namespace {

using nlohmann::json;

json EntryObject(const BoardEntry& e) {
  return {{"bad", e.bad},
          {"clear_type", e.clear_type},
          {"display_name", e.display_name},
          {"exscore", e.exscore},
          {"good", e.good},
          {"great", e.great},
          {"keymode", e.keymode},
          {"maxcombo", e.maxcombo},
          {"minbp", e.minbp},
          {"notes", e.notes},
          {"option_packed", e.option_packed},
          {"pgreat", e.pgreat},
          {"playcount", e.playcount},
          {"player_id", e.player_id},
          {"poor", e.poor},
          {"rank", e.rank}};
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::filesystem::path RankCacheDir() { return PluginDirectory() / "IR"; }

std::string RankCacheFileName(std::string_view hash) {
  if (hash.size() > 50) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(Crc32(hash)));
    return hex;
  }
  std::string name(hash);
  for (char& c : name) {
    const auto b = static_cast<unsigned char>(c);
    const bool alnum = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    if (!alnum) c = '_';
  }
  return name;
}

std::filesystem::path RankCacheFilePath(std::string_view hash) {
  return RankCacheDir() / (RankCacheFileName(hash) + ".json");
}

std::string RankCacheDocument(std::string_view hash, const IRRankResult& result,
                              const BoardStats& stats, const Board& board,
                              std::int64_t fetched_at) {
  json entries = json::array();
  for (const BoardEntry& entry : board.entries) entries.push_back(EntryObject(entry));
  json document = {{"clear_distribution", stats.clear_distribution},
                   {"entries", std::move(entries)},
                   {"fetched_at", fetched_at},
                   {"hash", std::string(hash)},
                   {"my_rank", result.my_rank},
                   {"player_count", result.player_count},
                   {"rank", result.my_rank}};
  if (board.my_player_id > 0) document["my_player_id"] = board.my_player_id;
  if (result.total_playcount > 0) document["total_playcount"] = result.total_playcount;
  // Strings read from JSON are valid UTF-8 already; only the hash can hold bad bytes.
  return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

void WriteRankCache(std::string_view hash, const IRRankResult& result, const BoardStats& stats,
                    const Board& board) {
  std::error_code ignored;
  std::filesystem::create_directories(RankCacheDir(), ignored);
  bool written = false;
  try {
    const std::string text = RankCacheDocument(hash, result, stats, board, UnixTimeSeconds());
    std::ofstream out(RankCacheFilePath(hash), std::ios::binary | std::ios::trunc);
    if (out) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      out.close();
      written = !out.fail();
    }
  } catch (const std::exception&) {
    // Running out of memory while building the file costs the cache, not the board.
  }
  if (!written) Log("WARN", "rank_cache_write_fail", "hash8=" + Hash8(hash));
}

bool IsCacheFresh(const json& document, std::int64_t now) {
  const auto fetched_at = JsonInt64(document, "fetched_at");
  // A negative time is never written; a time ahead of now means the clock moved.
  if (!fetched_at || *fetched_at < 0 || *fetched_at > now) return false;
  return now - *fetched_at < kRankCacheLifetimeSeconds;
}

bool ReadRankCache(std::string_view hash, IRRankResult& result) {
  std::ifstream in(RankCacheFilePath(hash), std::ios::binary);
  if (!in) return false;
  json document;
  try {
    in >> document;  // the first JSON value; anything after it is not examined
  } catch (const json::exception&) {
    return false;
  }
  if (!IsCacheFresh(document, UnixTimeSeconds())) return false;
  IRRankResult local;
  BoardStats stats;
  Board board;
  ParseBoard(document, local, stats, board);
  result = std::move(local);
  return true;
}

void RemoveRankCache(std::string_view hash) {
  if (hash.empty()) return;
  std::error_code ec;
  std::filesystem::remove(RankCacheFilePath(hash), ec);
}

}  // namespace qir
