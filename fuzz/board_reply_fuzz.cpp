// A board reply goes through the fetch, which caches it. The host gets the board a
// whole-document reading of the reply gives (a reply that is no JSON fails and caches
// nothing), and the cache read back gives the host that same board, dated when it
// was written; only a negative total play count, which the file leaves out, reads
// back as 0.
//
// Input: the chart hash, a line feed, then the reply body.
#include <string>
#include <string_view>

#include "board_reference.h"
#include "checks.h"
#include "fuzz_os.h"
#include "ranking/board_fetch.h"
#include "ranking/rank_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using qir::fuzz::DescribeRecord;
  qir::fuzz::InstallFuzzOs();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t line_end = input.find('\n');
  if (line_end == std::string_view::npos) return -1;
  // The host hands the hash over as a C string; the slots refuse an empty one.
  const std::string hash(input.substr(0, line_end));
  if (hash.empty() || hash.find('\0') != std::string::npos) return -1;
  const std::string_view body = input.substr(line_end + 1);

  qir::RemoveRankCache(hash);
  qir::fuzz::SetReply(200, body);
  IRRankResult fetched;
  fetched.my_rank = 77;
  fetched.entries.resize(1);
  const qir::HttpStatus status = qir::BoardFetchAttempt(hash, qir::BoardQuery(hash), "key123",
                                                        qir::BoardEndpoint(hash), fetched);
  IRRankResult cached;
  cached.my_rank = 77;
  const bool hit = qir::ReadRankCache(hash, cached);

  const nlohmann::json document = qir::fuzz::ReferenceDocument(body, /*whole_text=*/true);
  if (document.is_discarded()) {
    FUZZ_CHECK(status == qir::HttpStatus::Fail);
    FUZZ_CHECK(DescribeRecord(fetched) == DescribeRecord(IRRankResult{}));
    FUZZ_CHECK(!hit);
    FUZZ_CHECK(cached.my_rank == 77 && cached.entries.empty());
    return 0;
  }
  FUZZ_CHECK(status == qir::HttpStatus::Ok);
  IRRankResult expected = qir::fuzz::ReferenceBoard(document);
  if (expected.fetched_at == 0) expected.fetched_at = qir::fuzz::kNow;
  FUZZ_CHECK(DescribeRecord(fetched) == DescribeRecord(expected));

  FUZZ_CHECK(hit);
  FUZZ_CHECK(cached.fetched_at == qir::fuzz::kNow);
  cached.fetched_at = fetched.fetched_at;
  // The file leaves out a total play count below 1, which therefore reads back as 0.
  if (fetched.total_playcount < 0) {
    FUZZ_CHECK(cached.total_playcount == 0);
    cached.total_playcount = fetched.total_playcount;
  }
  if (DescribeRecord(cached) != DescribeRecord(fetched)) {
    std::fprintf(stderr, "fetched: %s\ncached:  %s\n", DescribeRecord(fetched).c_str(),
                 DescribeRecord(cached).c_str());
  }
  FUZZ_CHECK(DescribeRecord(cached) == DescribeRecord(fetched));
  return 0;
}
