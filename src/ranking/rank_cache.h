// Ranking boards cached beside the plugin, one JSON file per chart.
#ifndef QUORVANE_RANKING_RANK_CACHE_H
#define QUORVANE_RANKING_RANK_CACHE_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qir {

// The "IR" folder beside the plugin.
std::filesystem::path RankCacheDir();

// Up to 50 bytes: the hash with every byte but ASCII letters and digits turned into
// "_"; longer: the hash's CRC-32 as eight lower-case hexadecimal digits.
std::string RankCacheFileName(std::string_view hash);

std::filesystem::path RankCacheFilePath(std::string_view hash);

// Deletes the chart's cached board; a missing file is no error.
void RemoveRankCache(std::string_view hash);

// The reflected CRC-32 of zlib (polynomial 0xEDB88320).
std::uint32_t Crc32(std::string_view bytes);

}  // namespace qir

#endif
