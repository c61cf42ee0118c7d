// The eight entries of the host's method table.
#ifndef QUORVANE_PLUGIN_SLOTS_H
#define QUORVANE_PLUGIN_SLOTS_H

#include <cstdint>
#include <string>

#include "QuorvaneIR.h"

namespace qir {

// Slot results use the HttpStatus numbers.
inline constexpr std::int32_t kSlotOk = 0;
inline constexpr std::int32_t kSlotRetry = 1;
inline constexpr std::int32_t kSlotFail = 2;

const char* SlotGetPluginName();
bool SlotLogin();
std::int32_t SlotSubmitScore(const IRPlayResult* play);
std::int32_t SlotGetRank(const char* hash, std::int32_t unused, IRRankResult* result);
std::int32_t SlotGetRankCached(const char* hash, std::int32_t unused, IRRankResult* result);
std::int32_t SlotGetGhost(const char* hash, GhostMode mode, std::int32_t target_player_id,
                          IRGhostResult* result);
std::string SlotGetRankingPageUrl(const char* hash);

void FillMethodTable(MethodTable* table);

}  // namespace qir

#endif
