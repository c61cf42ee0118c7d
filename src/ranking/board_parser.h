// One parser for board replies and cache files alike.
#ifndef QUORVANE_RANKING_BOARD_PARSER_H
#define QUORVANE_RANKING_BOARD_PARSER_H

#include <nlohmann/json.hpp>

#include "QuorvaneIR.h"
#include "ranking/board.h"

namespace qir {

// Reads the document leniently into the three records, which come in empty: keys
// missing or holding the wrong kind of value leave their fields at 0. A document
// that is not an object gives an empty board.
void ParseBoard(const nlohmann::json& document, IRRankResult& result, BoardStats& stats,
                Board& board);

BoardEntry ParseBoardEntry(const nlohmann::json& element);

}  // namespace qir

#endif
