// A finished play: the skip rules, the stored best, the personal-best verdict, the
// ghost to send and one signed POST.
#ifndef QUORVANE_SUBMIT_SUBMIT_SCORE_H
#define QUORVANE_SUBMIT_SUBMIT_SCORE_H

#include <string>
#include <string_view>

#include "QuorvaneIR.h"
#include "host/score_database.h"
#include "net/endpoints.h"
#include "net/http_status.h"

namespace qir {

HttpStatus SubmitScore(const IRPlayResult& play);

// Not empty, "GHOST_ERROR" or "Z".
bool IsUsableGhost(std::string_view ghost);
// The play's own ghost when usable, else the stored one when usable, else nothing.
std::string SelectGhost(std::string_view play_ghost, bool found, const PreviousBest* best);
bool IsPersonalBest(const IRPlayResult& play, const PreviousBest* best, bool found);
// The course endpoint for a course of stages whose type is 0 or 2.
Endpoint ScoreEndpoint(const IRPlayResult& play);

}  // namespace qir

#endif
