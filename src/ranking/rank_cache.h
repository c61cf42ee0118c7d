// Ranking boards cached beside the plugin, one JSON file per chart.
#ifndef QUORVANE_RANKING_RANK_CACHE_H
#define QUORVANE_RANKING_RANK_CACHE_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "QuorvaneIR.h"
#include "ranking/board.h"

namespace qir {

// A cache file is served for less than seven days after it was written.
inline constexpr std::int64_t kRankCacheLifetimeSeconds = 604'800;

// The "IR" folder beside the plugin.
std::filesystem::path RankCacheDir();

// Up to 50 bytes: the hash with every byte but ASCII letters and digits turned into
// "_"; longer: the hash's CRC-32 as eight lower-case hexadecimal digits.
std::string RankCacheFileName(std::string_view hash);

std::filesystem::path RankCacheFilePath(std::string_view hash);

// The file's content: compact, keys sorted, the first-choice key of every field the
// parser reads; total play count only when not 0 (the host reads it back as it came),
// own player id only when positive. Text that is not valid UTF-8 (a hash passed
// through from the host) is written with U+FFFD.
std::string RankCacheDocument(std::string_view hash, const IRRankResult& result,
                              const BoardStats& stats, const Board& board,
                              std::int64_t fetched_at);

// RankCacheDocument into out, replacing its content.
void BuildRankCacheDocument(std::string& out, std::string_view hash, const IRRankResult& result,
                            const BoardStats& stats, const Board& board,
                            std::int64_t fetched_at);

// Writes the board with the time of writing; a failure is logged, never reported.
// The file's text is built in buffer, so a buffer done with (the reply's) can lend
// its memory instead of another as large being allocated.
void WriteRankCache(std::string_view hash, const IRRankResult& result, const BoardStats& stats,
                    const Board& board, std::string buffer = {});

// Fills the result from a fresh cache file; false (record untouched) otherwise.
// Writes no log line.
bool ReadRankCache(std::string_view hash, IRRankResult& result);

// "fetched_at" is a number from the last seven days, not from the future.
bool IsCacheFresh(const nlohmann::json& document, std::int64_t now);

// Deletes the chart's cached board; a missing file is no error.
void RemoveRankCache(std::string_view hash);

// The reflected CRC-32 of zlib (polynomial 0xEDB88320).
std::uint32_t Crc32(std::string_view bytes);

}  // namespace qir

#endif
