#include "ranking/rank_cache.h"

#include <cstdio>
#include <system_error>

#include "diag/plugin_files.h"

namespace qir {

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

void RemoveRankCache(std::string_view hash) {
  if (hash.empty()) return;
  std::error_code ec;
  std::filesystem::remove(RankCacheFilePath(hash), ec);
}

}  // namespace qir
