#include "ranking/board_fetch.h"

#include "diag/log.h"
#include "net/auth_headers.h"
#include "net/encoding.h"
#include "net/http_client.h"
#include "net/retry.h"
#include "ranking/board_parser.h"
#include "ranking/rank_cache.h"

namespace qir {

std::string BoardQuery(std::string_view hash) {
  return "hash=" + UrlEncode(reinterpret_cast<const unsigned char*>(hash.data()), hash.size()) +
         "&limit=999&offset=0";
}

Endpoint BoardEndpoint(std::string_view hash) {
  return hash.size() < 64 ? Endpoint::ChartBoard : Endpoint::CourseBoard;
}

HttpStatus BoardFetchAttempt(std::string_view hash, const std::string& query,
                             const std::string& api_key, Endpoint endpoint,
                             IRRankResult& result) {
  result = IRRankResult{};
  std::string body;
  const HttpStatus status = HttpGet(query, api_key, endpoint, "board_fetch", body);
  if (status != HttpStatus::Ok) return status;

  IRRankResult local;
  BoardStats stats;
  Board board;
  if (!ParseBoard(body, /*whole_text=*/true, local, stats, board)) {
    Log("WARN", "board_parse_fail", "body_size=" + std::to_string(body.size()));
    return HttpStatus::Fail;
  }
  // The cache is written from the working board, not from the host rows, so the rows
  // can move into the host's record instead of being copied.
  result.entries = std::move(local.entries);
  std::copy(std::begin(local.clear_distribution), std::end(local.clear_distribution),
            std::begin(result.clear_distribution));
  result.fetched_at = local.fetched_at;
  result.my_rank = local.my_rank;
  result.host_value = local.host_value;
  result.player_count = local.player_count;
  result.total_playcount = local.total_playcount;
  if (result.fetched_at == 0) result.fetched_at = UnixTimeSeconds();

  WriteRankCache(hash, local, stats, board, std::move(body));
  return HttpStatus::Ok;
}

HttpStatus GetRankFromNetwork(std::string_view hash, const std::string& api_key,
                              IRRankResult& result) {
  const std::string query = BoardQuery(hash);
  const Endpoint endpoint = BoardEndpoint(hash);
  return WithRetry(
      [&] { return BoardFetchAttempt(hash, query, api_key, endpoint, result); });
}

}  // namespace qir
