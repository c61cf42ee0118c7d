#include "plugin/slots.h"

#include "diag/plugin_files.h"
#include "ghost/ghost_fetch.h"
#include "net/endpoints.h"
#include "plugin/login.h"
#include "ranking/board_fetch.h"
#include "ranking/rank_cache.h"
#include "submit/submit_score.h"

namespace qir {
namespace {

constexpr char kPluginName[] = "QuorvaneIR";

bool IsEmptyHash(const char* hash) { return hash == nullptr || hash[0] == '\0'; }

// An exception must never unwind into the host, which is built with another
// compiler's runtime: the slot then reports the failure value instead.
template <typename Result, typename Body>
Result Guarded(Result on_exception, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return on_exception;
  }
}

std::int32_t SlotResult(HttpStatus status) {
  switch (status) {
    case HttpStatus::Ok:
      return kSlotOk;
    case HttpStatus::Retry:
      return kSlotRetry;
    default:
      return kSlotFail;
  }
}

// A board slot that fails with an exception hands back an empty record, never a
// half-filled one.
template <typename Body>
std::int32_t GuardedBoard(IRRankResult* result, Body body) noexcept {
  try {
    return body();
  } catch (...) {
  }
  if (result != nullptr) *result = IRRankResult{};
  return kSlotFail;
}

}  // namespace

const char* SlotGetPluginName() { return kPluginName; }

bool SlotLogin() {
  return Guarded(false, [] { return Login(); });
}

std::int32_t SlotSubmitScore(const IRPlayResult* play) {
  return Guarded(kSlotFail, [play]() -> std::int32_t {
    if (play == nullptr) return kSlotFail;
    return static_cast<std::int32_t>(SubmitScore(*play));
  });
}

std::int32_t SlotGetRank(const char* hash, std::int32_t /*unused*/, IRRankResult* result) {
  return GuardedBoard(result, [hash, result]() -> std::int32_t {
    if (result != nullptr) *result = IRRankResult{};
    if (IsEmptyHash(hash) || result == nullptr) return kSlotFail;
    const std::string api_key = ReadApiKey();
    if (api_key.empty()) return kSlotFail;
    return SlotResult(GetRankFromNetwork(hash, api_key, *result));
  });
}

std::int32_t SlotGetRankCached(const char* hash, std::int32_t /*unused*/, IRRankResult* result) {
  return GuardedBoard(result, [hash, result]() -> std::int32_t {
    if (result != nullptr) *result = IRRankResult{};
    if (result == nullptr) return kSlotFail;
    if (IsEmptyHash(hash)) return kSlotOk;
    return ReadRankCache(hash, *result) ? kSlotOk : kSlotFail;
  });
}

std::int32_t SlotGetGhost(const char* hash, GhostMode mode, std::int32_t target_player_id,
                          IRGhostResult* result) {
  return Guarded(kSlotFail, [hash, mode, target_player_id, result]() -> std::int32_t {
    if (result != nullptr) *result = IRGhostResult{};
    if (IsEmptyHash(hash) || result == nullptr) return kSlotFail;
    const std::string api_key = ReadApiKey();
    if (api_key.empty()) return kSlotFail;
    IRGhostResult ghost;
    const HttpStatus status = GetGhostFromNetwork(hash, mode, target_player_id, api_key, ghost);
    if (status == HttpStatus::Ok) *result = std::move(ghost);
    return SlotResult(status);
  });
}

std::string SlotGetRankingPageUrl(const char* hash) {
  return Guarded(std::string(), [hash] {
    std::string url = RankingPagePrefix();
    if (hash != nullptr) url += hash;
    return url;
  });
}

void FillMethodTable(MethodTable* table) {
  if (table == nullptr) return;
  table->GetPluginName = &SlotGetPluginName;
  table->Login = &SlotLogin;
  table->SubmitScore = &SlotSubmitScore;
  table->GetRank = &SlotGetRank;
  table->GetRankCached = &SlotGetRankCached;
  table->GetGhost = &SlotGetGhost;
  table->RankingPageTemplate = RankingPageTemplate();
  table->GetRankingPageUrl = &SlotGetRankingPageUrl;
}

}  // namespace qir
