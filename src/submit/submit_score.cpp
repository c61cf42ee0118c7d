#include "submit/submit_score.h"

#include <exception>

#include "diag/log.h"
#include "diag/plugin_files.h"
#include "net/http_client.h"
#include "ranking/rank_cache.h"
#include "submit/ex_score.h"
#include "submit/score_payload.h"

namespace qir {
namespace {

std::int32_t Total(std::uint32_t first, std::uint32_t second) {
  return static_cast<std::int32_t>(first + second);
}

HttpStatus Send(const IRPlayResult& play, const std::string& api_key) {
  PreviousBest best;
  const bool found = QueryPreviousBest(play, best);
  const PreviousBest* row = found ? &best : nullptr;
  const std::string ghost = SelectGhost(play.ghost, found, row);
  const bool is_pb = IsPersonalBest(play, row, found);
  const std::string body = BuildScorePayload(play, ghost, is_pb, row);

  const HttpStatus status = HttpPost(body, api_key, ScoreEndpoint(play));
  if (status != HttpStatus::Ok) {
    Log("WARN", "send_score_fail", "hash8=" + Hash8(play.hash));
  } else {
    RemoveRankCache(play.hash);
  }
  return status;
}

}  // namespace

bool IsUsableGhost(std::string_view ghost) {
  return !ghost.empty() && ghost != "GHOST_ERROR" && ghost != "Z";
}

std::string SelectGhost(std::string_view play_ghost, bool found, const PreviousBest* best) {
  if (IsUsableGhost(play_ghost)) return std::string(play_ghost);
  if (found && best != nullptr && IsUsableGhost(best->ghost)) return best->ghost;
  return {};
}

bool IsPersonalBest(const IRPlayResult& play, const PreviousBest* best, bool found) {
  if (!found || best == nullptr) return true;
  const std::int32_t stored = ExScore(best->perfect, best->great);
  if (play.exscore != stored) return play.exscore > stored;
  const auto& j = play.judgements_total;
  return Total(j.epg, j.lpg) == best->perfect && Total(j.egr, j.lgr) == best->great &&
         Total(j.egd, j.lgd) == best->good && Total(j.ebd, j.lbd) == best->bad &&
         Total(j.epr, j.lpr) == best->poor;
}

Endpoint ScoreEndpoint(const IRPlayResult& play) {
  const bool course_type = play.courseType == 0 || play.courseType == 2;
  return play.courseStageCount > 0 && course_type ? Endpoint::CourseScore : Endpoint::ChartScore;
}

HttpStatus SubmitScore(const IRPlayResult& play) {
  const auto side = static_cast<std::uint32_t>(play.state.player);
  if (side <= 1 && play.settings.assist[side] != 0) {
    Log("INFO", "skip_assist");
    return HttpStatus::Ok;
  }
  if (play.state.isNosave != 0) {
    Log("INFO", "skip_nosave");
    return HttpStatus::Ok;
  }
  const std::string api_key = ReadApiKey();
  if (api_key.empty()) {
    Log("WARN", "skip_no_api_key");
    return HttpStatus::Fail;
  }
  if (play.hash.empty()) {
    Log("WARN", "skip_invalid_hash");
    return HttpStatus::Fail;
  }
  // Whatever goes wrong while the document is built or sent (memory exhaustion
  // included) ends this play's submission, not the host.
  try {
    return Send(play, api_key);
  } catch (const std::exception&) {
  } catch (...) {
  }
  Log("ERROR", "send_score_exception");
  return HttpStatus::Fail;
}

}  // namespace qir
