#include "ghost/ghost_fetch.h"

#include <nlohmann/json.hpp>

#include "net/encoding.h"
#include "net/endpoints.h"
#include "net/http_client.h"
#include "net/json_readers.h"
#include "net/reply_members.h"
#include "net/retry.h"

namespace qir {
namespace {

constexpr const ReplyMember& kSeed = Member(Reply::Ghost, "random_seed");
constexpr const ReplyMember& kAverage = Member(Reply::Ghost, "average_exscore");
constexpr const ReplyMember& kOptions = Member(Reply::Ghost, "option_packed");
constexpr MemberNames kNameKeys = NamesOf(Member(Reply::Ghost, "display_name"));
constexpr MemberNames kDataKeys = NamesOf(Member(Reply::Ghost, "ghost_data"));
constexpr MemberNames kOptionKeys = NamesOf(kOptions);
constexpr MemberNames kSeedKeys = NamesOf(kSeed);
constexpr MemberNames kAverageKeys = NamesOf(kAverage);

}  // namespace

const char* GhostModeWord(GhostMode mode) {
  switch (mode) {
    case GhostMode::Top:
      return "top";
    case GhostMode::Next:
      return "next";
    case GhostMode::Average:
      return "average";
    case GhostMode::Target:
    default:
      return "target";
  }
}

std::string GhostQuery(std::string_view hash, GhostMode mode, std::int32_t target_player_id) {
  return "hash=" + UrlEncode(reinterpret_cast<const unsigned char*>(hash.data()), hash.size()) +
         "&target_player_id=" + std::to_string(target_player_id) + "&mode=" + GhostModeWord(mode);
}

DecodedOptions DecodeOptionPacked(std::int32_t packed) {
  DecodedOptions options;
  if (packed <= 0) return options;
  const std::int32_t d0 = packed % 10;
  const std::int32_t d1 = packed / 10 % 10;
  const std::int32_t d2 = packed / 100 % 10;
  const std::int32_t d3 = packed / 1000 % 10;
  options.option_main = d0 <= 5 ? d0 + 1 : 0;
  options.option_pair[0] = d1 >= 1 && d1 <= 5 ? d1 : 0;
  options.option_pair[1] = d2 >= 1 && d2 <= 5 ? d2 : 0;
  options.option_flag = d3 != 0;
  return options;
}

HttpStatus GhostFetchAttempt(const std::string& query, const std::string& api_key,
                             IRGhostResult& result) {
  std::string body;
  const HttpStatus status = HttpGet(query, api_key, Endpoint::ChartGhost, "ghost_fetch", body);
  if (status != HttpStatus::Ok) return status;
  result = IRGhostResult{};

  const nlohmann::json document =
      nlohmann::json::parse(body, /*cb=*/nullptr, /*allow_exceptions=*/false,
                            /*ignore_comments=*/false);
  if (document.is_discarded()) return HttpStatus::Ok;

  result.display_name = JsonString(document, kNameKeys);
  result.ghost_data = JsonString(document, kDataKeys);
  const DecodedOptions options =
      DecodeOptionPacked(JsonInt(document, kOptionKeys, kOptions.fallback));
  result.option_main = options.option_main;
  result.option_pair[0] = options.option_pair[0];
  result.option_pair[1] = options.option_pair[1];
  result.option_flag = options.option_flag;
  result.random_seed = JsonInt(document, kSeedKeys, kSeed.fallback);
  result.average_exscore = JsonInt(document, kAverageKeys, kAverage.fallback);
  return HttpStatus::Ok;
}

HttpStatus GetGhostFromNetwork(std::string_view hash, GhostMode mode,
                               std::int32_t target_player_id, const std::string& api_key,
                               IRGhostResult& result) {
  const std::string query = GhostQuery(hash, mode, target_player_id);
  return WithRetry([&] { return GhostFetchAttempt(query, api_key, result); });
}

}  // namespace qir
