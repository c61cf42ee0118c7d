// PLAY.json: a finished play, grouped as the score document groups it.
#ifndef QUORVANE_HOST_PLAY_JSON_H
#define QUORVANE_HOST_PLAY_JSON_H

#include <nlohmann/json.hpp>
#include <string>

#include "QuorvaneIR.h"

namespace qir::host {

// Fills every member the plugin reads. Absent keys stay 0, false or empty; a text
// member may be given as "<key>_hex". Throws std::runtime_error on a value of the
// wrong type or bad hexadecimal.
void ReadPlay(const nlohmann::json& document, IRPlayResult& play);

// Bytes of an even-length hexadecimal text; throws std::runtime_error otherwise.
std::string HexToBytes(const std::string& hex);

}  // namespace qir::host

#endif
