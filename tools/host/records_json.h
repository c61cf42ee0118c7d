// The host records as the quorvane-host output shows them.
#ifndef QUORVANE_HOST_RECORDS_JSON_H
#define QUORVANE_HOST_RECORDS_JSON_H

#include <nlohmann/json.hpp>
#include <string>

#include "QuorvaneIR.h"

namespace qir::host {

nlohmann::json BoardJson(const IRRankResult& board);
nlohmann::json GhostJson(const IRGhostResult& ghost);

// Compact JSON; text that is not UTF-8 is written with U+FFFD in its place.
std::string DumpOutput(const nlohmann::json& value);

}  // namespace qir::host

#endif
