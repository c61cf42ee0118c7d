// A ghost reply through the fetch: an answer outside 2xx leaves the host's record as
// it was; a 2xx answer replaces it whole, with options only from their ranges.
//
// Input: a byte choosing the status, a byte giving the transport's chunk size, then
// the reply body.
#include <cstring>
#include <string>

#include <nlohmann/json.hpp>

#include "checks.h"
#include "fuzz_os.h"
#include "ghost/ghost_fetch.h"
#include "net/http_status.h"

namespace {

constexpr std::uint32_t kStatuses[] = {200, 204, 404, 503};

IRGhostResult Sentinel() {
  IRGhostResult r;
  r.display_name = "kept";
  r.ghost_data = "kept";
  r.host_value = 11;
  r.option_pair[1] = 3;
  r.option_main = 4;
  r.random_seed = 5;
  r.option_flag = true;
  r.host_flags[2] = 6;
  r.average_exscore = 7;
  return r;
}

bool Same(const IRGhostResult& a, const IRGhostResult& b) {
  return a.display_name == b.display_name && a.ghost_data == b.ghost_data &&
         a.host_value == b.host_value && a.option_pair[0] == b.option_pair[0] &&
         a.option_pair[1] == b.option_pair[1] && a.option_main == b.option_main &&
         a.random_seed == b.random_seed && a.option_flag == b.option_flag &&
         std::memcmp(a.host_flags, b.host_flags, sizeof a.host_flags) == 0 &&
         a.average_exscore == b.average_exscore;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qir::fuzz::InstallFuzzOs();
  if (size < 2) return -1;
  const std::uint32_t status_code = kStatuses[data[0] % 4];
  const std::string body(reinterpret_cast<const char*>(data) + 2, size - 2);
  qir::fuzz::SetReply(status_code, body, data[1]);

  IRGhostResult result = Sentinel();
  const qir::HttpStatus status =
      qir::GhostFetchAttempt(qir::GhostQuery("abc", GhostMode::Top, 0), "key123", result);
  FUZZ_CHECK(status == qir::MapHttpStatus(status_code));
  if (status != qir::HttpStatus::Ok) {
    FUZZ_CHECK(Same(result, Sentinel()));
    return 0;
  }

  const nlohmann::json document = nlohmann::json::parse(body, nullptr, false);
  if (document.is_discarded()) {
    FUZZ_CHECK(Same(result, IRGhostResult{}));
    return 0;
  }
  FUZZ_CHECK(result.host_value == 0);
  FUZZ_CHECK(result.host_flags[0] == 0 && result.host_flags[1] == 0 && result.host_flags[2] == 0);
  FUZZ_CHECK(result.option_main >= 0 && result.option_main <= 6);
  for (const std::int32_t side : result.option_pair) FUZZ_CHECK(side >= 0 && side <= 5);
  // The first-choice keys come through whole, however the body arrived.
  if (document.is_object() && document.contains("display_name") &&
      document["display_name"].is_string()) {
    FUZZ_CHECK(result.display_name == document["display_name"].get<std::string>());
  }
  if (document.is_object() && document.contains("ghost_data") &&
      document["ghost_data"].is_string()) {
    FUZZ_CHECK(result.ghost_data == document["ghost_data"].get<std::string>());
  }
  FUZZ_CHECK(qir::fuzz::IsValidUtf8(result.display_name));
  FUZZ_CHECK(qir::fuzz::IsValidUtf8(result.ghost_data));
  return 0;
}
