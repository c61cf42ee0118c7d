// A second reading of board text, from a whole nlohmann::json document with the
// lenient readers of net/json_readers.h, for the fuzz targets to hold the plugin's
// event-driven board reader to. Same rules: of several keys for a field the first
// usable one wins, of duplicate keys the last counts, a value of the wrong kind reads
// as missing, a document that is not an object gives an empty board.
#ifndef QUORVANE_FUZZ_BOARD_REFERENCE_H
#define QUORVANE_FUZZ_BOARD_REFERENCE_H

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "QuorvaneIR.h"

namespace qir::fuzz {

// The document of the text: with whole_text nothing but whitespace may follow the
// first value, otherwise the rest is not examined. Discarded when it is no JSON.
nlohmann::json ReferenceDocument(std::string_view text, bool whole_text);

// The host's record of a board document.
IRRankResult ReferenceBoard(const nlohmann::json& document);

// Every host-visible member of the record, rows and host-only members included.
std::string DescribeRecord(const IRRankResult& record);

}  // namespace qir::fuzz

#endif
