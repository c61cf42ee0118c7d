#ifndef QUORVANE_SUBMIT_EX_SCORE_H
#define QUORVANE_SUBMIT_EX_SCORE_H

#include <cstdint>

namespace qir {

// PGREAT × 2 + GREAT in 32-bit arithmetic; stored rows may hold any value, so the
// sum wraps instead of overflowing.
constexpr std::int32_t ExScore(std::int32_t pgreat, std::int32_t great) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(pgreat) * 2u +
                                   static_cast<std::uint32_t>(great));
}

}  // namespace qir

#endif
