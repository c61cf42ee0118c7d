// Each slot as the host calls it, HTTP answered from memory, against its floor: the
// input and output the slot is bound to, done directly, and the least computing any
// implementation must do besides (slot_floors.h):
//
//   GetRank         key read; two log lines; one HMAC; nlohmann parses the board
//                   reply; the cache file's bytes written (open, write, close)
//   GetRankCached   the cache file read (open, read, close) and parsed by nlohmann
//   SubmitScore     key and config.xml read; the score database opened, the query
//                   prepared, stepped and closed; three log lines; the same document
//                   built and dumped; one HMAC; the chart's cache file deleted
//   Login           the log emptied; key read; four log lines; one HMAC; the reply
//                   parsed and "logged_in" read
//   GetGhost        key read; two log lines; one HMAC; the reply parsed and the
//                   ghost record filled
#include <benchmark/benchmark.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "bench_support.h"
#include "diag/log.h"
#include "floor_io.h"
#include "ghost/ghost_fetch.h"
#include "inprocess.h"
#include "plugin/slots.h"
#include "ranking/board_fetch.h"
#include "ranking/rank_cache.h"
#include "slot_cases.h"
#include "slot_floors.h"
#include "submit/score_payload.h"

namespace qir::bench {
namespace {

using nlohmann::json;
using Call = std::function<void()>;

void Need(bool condition, const char* what) {
  if (!condition) throw std::runtime_error(what);
}

// --- GetRank ---------------------------------------------------------------------

Call GetRankPlugin() {
  auto result = std::make_shared<IRRankResult>();
  Need(SlotGetRank(kHash, 0, result.get()) == kSlotOk && result->entries.size() == kBoardRows,
       "GetRank did not give the board");
  return [result] { benchmark::DoNotOptimize(SlotGetRank(kHash, 0, result.get())); };
}

Call GetRankFloor() {
  IRRankResult result;
  SlotGetRank(kHash, 0, &result);
  auto file = std::make_shared<const std::string>(ReadWholeFile(RankCacheFilePath(kHash)));
  Need(!file->empty(), "no cache file");
  auto floors = std::make_shared<SlotFloors>(ScratchRoot());
  const std::string query = BoardQuery(kHash);
  return [floors, file, query] {
    floors->BoardBefore(query);
    floors->BoardAfter(BoardReply(), *file);
  };
}

// --- GetRankCached ---------------------------------------------------------------

Call GetRankCachedPlugin() {
  auto result = std::make_shared<IRRankResult>();
  SlotGetRank(kHash, 0, result.get());
  Need(SlotGetRankCached(kHash, 0, result.get()) == kSlotOk &&
           result->entries.size() == kBoardRows,
       "GetRankCached did not give the board");
  return [result] { benchmark::DoNotOptimize(SlotGetRankCached(kHash, 0, result.get())); };
}

Call GetRankCachedFloor() {
  IRRankResult result;
  SlotGetRank(kHash, 0, &result);
  const std::filesystem::path path = RankCacheFilePath(kHash);
  return [path] {
    const json document = json::parse(ReadWholeFile(path));
    benchmark::DoNotOptimize(&document);
  };
}

// --- SubmitScore -----------------------------------------------------------------

Call SubmitScorePlugin() {
  std::shared_ptr<const IRPlayResult> play = Play();
  Need(SlotSubmitScore(play.get()) == kSlotOk, "SubmitScore failed");
  return [play] { benchmark::DoNotOptimize(SlotSubmitScore(play.get())); };
}

Call SubmitScoreFloor() {
  std::shared_ptr<const IRPlayResult> play = Play();
  PreviousBest probe;
  Need(FloorQueryBest(ScoreDatabasePath(kPlayerId).string(), kHash, probe),
       "cannot query the score database");
  auto floors = std::make_shared<SlotFloors>(ScratchRoot());
  return [floors, play] {
    benchmark::DoNotOptimize(floors->SubmitBefore(*play));
    floors->SubmitAfter();
  };
}

// --- Login -----------------------------------------------------------------------

Call LoginPlugin() {
  Need(SlotLogin(), "Login failed");
  return [] {
    // The host logs in once per session, and the first login starts the log afresh.
    ResetLogStartedForTesting();
    benchmark::DoNotOptimize(SlotLogin());
  };
}

Call LoginFloor() {
  auto floors = std::make_shared<SlotFloors>(ScratchRoot());
  return [floors] {
    floors->LoginBefore();
    floors->LoginAfter(LoginReply());
  };
}

// --- GetGhost --------------------------------------------------------------------

Call GetGhostPlugin() {
  auto result = std::make_shared<IRGhostResult>();
  Need(SlotGetGhost(kHash, GhostMode::Top, 0, result.get()) == kSlotOk &&
           !result->ghost_data.empty(),
       "GetGhost did not give the ghost");
  return [result] {
    benchmark::DoNotOptimize(SlotGetGhost(kHash, GhostMode::Top, 0, result.get()));
  };
}

Call GetGhostFloor() {
  auto floors = std::make_shared<SlotFloors>(ScratchRoot());
  const std::string query = GhostQuery(kHash, GhostMode::Top, 0);
  return [floors, query] {
    floors->GhostBefore(query);
    floors->GhostAfter(GhostReply());
  };
}

}  // namespace

const std::vector<SlotCase>& SlotCases() {
  static const std::vector<SlotCase> cases = {
      {"GetRank/plugin", &GetRankPlugin},
      {"GetRank/floor", &GetRankFloor},
      {"GetRankCached/plugin", &GetRankCachedPlugin},
      {"GetRankCached/floor", &GetRankCachedFloor},
      {"SubmitScore/plugin", &SubmitScorePlugin},
      {"SubmitScore/floor", &SubmitScoreFloor},
      {"Login/plugin", &LoginPlugin},
      {"Login/floor", &LoginFloor},
      {"GetGhost/plugin", &GetGhostPlugin},
      {"GetGhost/floor", &GetGhostFloor},
  };
  return cases;
}

void RegisterSlotBenchmarks() {
  for (const SlotCase& c : SlotCases()) {
    benchmark::RegisterBenchmark(c.name.c_str(),
                                 [&c](benchmark::State& state) {
                                   Call call;
                                   try {
                                     call = c.prepare();
                                   } catch (const std::exception& e) {
                                     state.SkipWithError(e.what());
                                     return;
                                   }
                                   for (auto _ : state) call();
                                 })
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace qir::bench
