// Any bytes as a chart's cache file: the read is a miss that leaves the host's record
// as it was, or a hit that fills it whole from a fresh file.
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "board_reference.h"
#include "checks.h"
#include "fuzz_os.h"
#include "ranking/rank_cache.h"

namespace {

constexpr char kHash[] = "0123456789abcdef0123456789abcdef";

IRRankResult Sentinel() {
  IRRankResult r;
  r.entries.resize(3);
  r.entries[1].display_name = "kept";
  r.clear_distribution[2] = 9;
  r.fetched_at = 5;
  r.my_rank = 6;
  r.host_value = 7;
  r.player_count = 8;
  r.total_playcount = 9;
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using qir::fuzz::DescribeRecord;
  qir::fuzz::InstallFuzzOs();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::filesystem::create_directories(qir::RankCacheDir());
  {
    std::ofstream out(qir::RankCacheFilePath(kHash), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  IRRankResult result = Sentinel();
  const bool hit = qir::ReadRankCache(kHash, result);

  // What a hit must give: the board of the file's first JSON value, when that value
  // is dated (a number, floats cut toward zero) within the last seven days and names
  // this chart or none.
  const nlohmann::json document = qir::fuzz::ReferenceDocument(bytes, /*whole_text=*/false);
  bool fresh = false;
  const auto at = document.is_object() ? document.find("fetched_at") : document.end();
  if (document.is_object() && at != document.end() && at->is_number()) {
    const long double when = at->is_number_float()
                                 ? std::trunc(static_cast<long double>(at->get<double>()))
                             : at->is_number_unsigned()
                                 ? static_cast<long double>(at->get<std::uint64_t>())
                                 : static_cast<long double>(at->get<std::int64_t>());
    fresh = when <= qir::fuzz::kNow && when > qir::fuzz::kNow - qir::kRankCacheLifetimeSeconds;
  }
  // A file whose "hash" text names another chart is no hit.
  const auto named = document.is_object() ? document.find("hash") : document.end();
  const bool other_chart =
      named != document.end() && named->is_string() && named->get<std::string>() != kHash;
  FUZZ_CHECK(hit == (fresh && !other_chart));
  if (!hit) {
    FUZZ_CHECK(DescribeRecord(result) == DescribeRecord(Sentinel()));
    return 0;
  }
  if (DescribeRecord(result) != DescribeRecord(qir::fuzz::ReferenceBoard(document))) {
    std::fprintf(stderr, "read:     %s\nexpected: %s\n", DescribeRecord(result).c_str(),
                 DescribeRecord(qir::fuzz::ReferenceBoard(document)).c_str());
  }
  FUZZ_CHECK(DescribeRecord(result) == DescribeRecord(qir::fuzz::ReferenceBoard(document)));
  FUZZ_CHECK(result.fetched_at <= qir::fuzz::kNow &&
             qir::fuzz::kNow - result.fetched_at < qir::kRankCacheLifetimeSeconds);
  for (const IRRankEntry& e : result.entries) {
    FUZZ_CHECK(e.clear_type >= 0 && e.clear_type <= 5);
    FUZZ_CHECK(qir::fuzz::IsValidUtf8(e.display_name));
  }
  return 0;
}
