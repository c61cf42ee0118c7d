// Each slot as the host calls it, HTTP answered from memory, against its floor: the
// input and output the slot is bound to, done directly (floor_io.h), and the least
// computing any implementation must do besides.
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
#include <unistd.h>

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
#include "submit/score_payload.h"

namespace qir::bench {
namespace {

using nlohmann::json;
using Call = std::function<void()>;

// The floors' own files: the plugin's key and the host's files are shared with the
// plugin (read only); the log and the cache are the floor's.
struct FloorFiles {
  std::filesystem::path key = ScratchRoot() / "plugin" / "key.txt";
  std::filesystem::path config = std::filesystem::path("LR2files") / "Config" / "config.xml";
  std::filesystem::path cache = ScratchRoot() / "floor" / "IR" / (std::string(kHash) + ".json");
  FloorLog log{ScratchRoot() / "floor" / "debug.log"};
};

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
  auto files = std::make_shared<FloorFiles>();
  std::filesystem::create_directories(files->cache.parent_path());
  const std::string query = BoardQuery(kHash);
  return [files, file, query] {
    const std::string key = FloorReadKey(files->key);
    files->log.Line("INFO", "board_fetch", "endpoint=chart port=49443 secure=1 query_len=71");
    benchmark::DoNotOptimize(FloorSign(key, query));
    const json document = json::parse(BoardReply());
    benchmark::DoNotOptimize(&document);
    files->log.Line("INFO", "board_fetch_done", "status_code=200 mapped_status=Ok body_size=262144");
    WriteWholeFile(files->cache, *file);
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
  auto files = std::make_shared<FloorFiles>();
  PreviousBest probe;
  Need(FloorQueryBest(ScoreDatabasePath(kPlayerId).string(), kHash, probe),
       "cannot query the score database");
  return [files, play] {
    const std::string key = FloorReadKey(files->key);
    const std::string player_id = FloorReadPlayerId(files->config);
    PreviousBest best;
    const bool found = FloorQueryBest(ScoreDatabasePath(player_id).string(), play->hash, best);
    files->log.Line("INFO", "db_query", found ? "result=ok hash8=01234567" : "result=no_row");
    const std::string body = BuildScorePayload(*play, play->ghost, true, found ? &best : nullptr);
    files->log.Line("INFO", "http_begin",
                    "endpoint=chart_score port=49443 secure=1 body_size=" +
                        std::to_string(body.size()));
    benchmark::DoNotOptimize(FloorSign(key, body));
    files->log.Line("INFO", "http_done", "status_code=200 mapped_status=Ok");
    ::unlink(files->cache.c_str());
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
  auto files = std::make_shared<FloorFiles>();
  return [files] {
    files->log.Start();
    const std::string key = FloorReadKey(files->key);
    files->log.Line("INFO", "login_fetch", "endpoint=login port=49443 secure=1 query_len=0");
    benchmark::DoNotOptimize(FloorSign(key, {}));
    const json document = json::parse(LoginReply());
    const auto it = document.find("logged_in");
    const bool logged_in = it != document.end() && it->is_boolean() && it->get<bool>();
    files->log.Line("INFO", "login_fetch_done", "status_code=200 mapped_status=Ok body_size=39");
    files->log.Line("INFO", "login_done", logged_in ? "logged_in=1" : "logged_in=0");
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
  auto files = std::make_shared<FloorFiles>();
  auto result = std::make_shared<IRGhostResult>();
  const std::string query = GhostQuery(kHash, GhostMode::Top, 0);
  return [files, result, query] {
    const std::string key = FloorReadKey(files->key);
    files->log.Line("INFO", "ghost_fetch", "endpoint=ghost port=49443 secure=1 query_len=78");
    benchmark::DoNotOptimize(FloorSign(key, query));
    const json document = json::parse(GhostReply());
    result->display_name = document.at("display_name").get<std::string>();
    result->ghost_data = document.at("ghost_data").get<std::string>();
    const auto packed = document.at("option_packed").get<std::int32_t>();
    result->option_main = packed % 10 + 1;
    result->option_pair[0] = packed / 10 % 10;
    result->option_pair[1] = packed / 100 % 10;
    result->option_flag = packed / 1000 % 10 != 0;
    result->random_seed = document.at("random_seed").get<std::int32_t>();
    result->average_exscore = document.at("average_exscore").get<std::int32_t>();
    benchmark::DoNotOptimize(result.get());
    files->log.Line("INFO", "ghost_fetch_done", "status_code=200 mapped_status=Ok body_size=2135");
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
