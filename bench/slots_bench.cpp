// Each slot as the host calls it, HTTP answered from memory, against its floor: the
// work no implementation can skip, done the plain way.
//
//   GetRank         floor: nlohmann parses the board reply; the cache file's bytes
//                   are written (open, write, close)
//   GetRankCached   floor: the cache file is read (open, read, close) and parsed
//   SubmitScore     floor: one prepared SELECT on an open score database, the same
//                   document built and dumped, one HMAC
//   Login           floor: one HMAC, the reply parsed and "logged_in" read
//   GetGhost        floor: one HMAC, the reply parsed and the ghost record filled
//
// Names pair up as "SLOT/plugin" and "SLOT/floor"; scripts/bench divides them.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <ctime>
#include <nlohmann/json.hpp>

#include "bench_support.h"
#include "diag/log.h"
#include "ghost/ghost_fetch.h"
#include "inprocess.h"
#include "platform/os.h"
#include "plugin/slots.h"
#include "ranking/rank_cache.h"
#include "submit/score_payload.h"

namespace qir::bench {
namespace {

using nlohmann::json;

std::string Timestamp() { return std::to_string(static_cast<long long>(std::time(nullptr))); }

// One HMAC over "{timestamp}.{payload}", as a request is signed.
void Sign(std::string_view payload) {
  std::string message = Timestamp();
  message += '.';
  message.append(payload);
  benchmark::DoNotOptimize(platform::HmacSha256(kApiKey, message));
}

// --- GetRank ---------------------------------------------------------------------

void GetRankPlugin(benchmark::State& state) {
  IRRankResult result;
  if (SlotGetRank(kHash, 0, &result) != kSlotOk || result.entries.size() != kBoardRows) {
    state.SkipWithError("GetRank did not give the board");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(SlotGetRank(kHash, 0, &result));
}

void GetRankFloor(benchmark::State& state) {
  IRRankResult result;
  SlotGetRank(kHash, 0, &result);
  const std::string file = ReadWholeFile(RankCacheFilePath(kHash));
  const std::filesystem::path target = ScratchRoot() / "floor" / "board.json";
  if (file.empty()) {
    state.SkipWithError("no cache file");
    return;
  }
  for (auto _ : state) {
    const json document = json::parse(BoardReply());
    benchmark::DoNotOptimize(&document);
    WriteWholeFile(target, file);
  }
}

// --- GetRankCached ---------------------------------------------------------------

void GetRankCachedPlugin(benchmark::State& state) {
  IRRankResult result;
  SlotGetRank(kHash, 0, &result);
  if (SlotGetRankCached(kHash, 0, &result) != kSlotOk || result.entries.size() != kBoardRows) {
    state.SkipWithError("GetRankCached did not give the board");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(SlotGetRankCached(kHash, 0, &result));
}

void GetRankCachedFloor(benchmark::State& state) {
  IRRankResult result;
  SlotGetRank(kHash, 0, &result);
  const std::filesystem::path path = RankCacheFilePath(kHash);
  for (auto _ : state) {
    const json document = json::parse(ReadWholeFile(path));
    benchmark::DoNotOptimize(&document);
  }
}

// --- SubmitScore -----------------------------------------------------------------

void SubmitScorePlugin(benchmark::State& state) {
  const auto play = Play();
  if (SlotSubmitScore(play.get()) != kSlotOk) {
    state.SkipWithError("SubmitScore failed");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(SlotSubmitScore(play.get()));
}

void SubmitScoreFloor(benchmark::State& state) {
  const auto play = Play();
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
  const std::string path = ScoreDatabasePath(kPlayerId).string();
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db, kPreviousBestQuery, -1, &statement, nullptr) != SQLITE_OK) {
    state.SkipWithError("cannot query the score database");
    sqlite3_close(db);
    return;
  }
  for (auto _ : state) {
    PreviousBest best;
    sqlite3_bind_text(statement, 1, play->hash.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(statement) == SQLITE_ROW) {
      std::int32_t* const columns[] = {
          &best.clear,      &best.perfect,    &best.great,    &best.good,     &best.bad,
          &best.poor,       &best.totalnotes, &best.maxcombo, &best.minbp,    &best.playcount,
          &best.clearcount, &best.failcount,  &best.rank,     &best.rate,     &best.clear_db,
          &best.clear_sd,   &best.clear_ex,   &best.op_best,  &best.rseed,
      };
      int index = 0;
      for (std::int32_t* column : columns) *column = sqlite3_column_int(statement, index++);
      const auto* ghost = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
      if (ghost != nullptr) {
        best.ghost.assign(ghost, static_cast<std::size_t>(sqlite3_column_bytes(statement, index)));
      }
    }
    sqlite3_reset(statement);
    const std::string body = BuildScorePayload(*play, play->ghost, true, &best);
    Sign(body);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
}

// --- Login -----------------------------------------------------------------------

void LoginPlugin(benchmark::State& state) {
  if (!SlotLogin()) {
    state.SkipWithError("Login failed");
    return;
  }
  for (auto _ : state) {
    // The host logs in once per session, and the first login starts the log afresh.
    ResetLogStartedForTesting();
    benchmark::DoNotOptimize(SlotLogin());
  }
}

void LoginFloor(benchmark::State& state) {
  for (auto _ : state) {
    Sign({});
    const json document = json::parse(LoginReply());
    const auto it = document.find("logged_in");
    benchmark::DoNotOptimize(it != document.end() && it->is_boolean() && it->get<bool>());
  }
}

// --- GetGhost --------------------------------------------------------------------

void GetGhostPlugin(benchmark::State& state) {
  IRGhostResult result;
  if (SlotGetGhost(kHash, GhostMode::Top, 0, &result) != kSlotOk || result.ghost_data.empty()) {
    state.SkipWithError("GetGhost did not give the ghost");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(SlotGetGhost(kHash, GhostMode::Top, 0, &result));
}

void GetGhostFloor(benchmark::State& state) {
  const std::string query = GhostQuery(kHash, GhostMode::Top, 0);
  IRGhostResult result;
  for (auto _ : state) {
    Sign(query);
    const json document = json::parse(GhostReply());
    result.display_name = document.at("display_name").get<std::string>();
    result.ghost_data = document.at("ghost_data").get<std::string>();
    const auto packed = document.at("option_packed").get<std::int32_t>();
    result.option_main = packed % 10 + 1;
    result.option_pair[0] = packed / 10 % 10;
    result.option_pair[1] = packed / 100 % 10;
    result.option_flag = packed / 1000 % 10 != 0;
    result.random_seed = document.at("random_seed").get<std::int32_t>();
    result.average_exscore = document.at("average_exscore").get<std::int32_t>();
    benchmark::DoNotOptimize(&result);
  }
}

BENCHMARK(GetRankPlugin)->Name("GetRank/plugin")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(GetRankFloor)->Name("GetRank/floor")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(GetRankCachedPlugin)
    ->Name("GetRankCached/plugin")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(GetRankCachedFloor)
    ->Name("GetRankCached/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(SubmitScorePlugin)
    ->Name("SubmitScore/plugin")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(SubmitScoreFloor)->Name("SubmitScore/floor")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(LoginPlugin)->Name("Login/plugin")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(LoginFloor)->Name("Login/floor")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(GetGhostPlugin)->Name("GetGhost/plugin")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(GetGhostFloor)->Name("GetGhost/floor")->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qir::bench
