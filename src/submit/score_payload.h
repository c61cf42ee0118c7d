// The JSON document a finished play is submitted as.
#ifndef QUORVANE_SUBMIT_SCORE_PAYLOAD_H
#define QUORVANE_SUBMIT_SCORE_PAYLOAD_H

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "QuorvaneIR.h"
#include "host/score_database.h"

namespace qir {

// "NO PLAY", "FAIL", "EASY", "NORMAL", "HARD", "FULL COMBO"; "UNKNOWN" otherwise.
const char* LampName(std::int32_t clear_type);

nlohmann::json BuildPreviousBest(const PreviousBest& best, std::int32_t keymode);

// The whole document, compact with sorted keys. Text that is not valid UTF-8 is
// written with U+FFFD in place of each bad sequence (and noted in the log), so the
// play still reaches the server, which knows the chart by its hash.
std::string BuildScorePayload(const IRPlayResult& play, std::string_view ghost, bool is_pb,
                              const PreviousBest* best);

}  // namespace qir

#endif
