// The parts the slots are made of, each on its own: where a slot's time goes.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>

#include "bench_support.h"
#include "diag/log.h"
#include "diag/plugin_files.h"
#include "host/player_id.h"
#include "host/score_database.h"
#include "inprocess.h"
#include "net/auth_headers.h"
#include "net/encoding.h"
#include "net/http_client.h"
#include "platform/os.h"
#include "ranking/board_parser.h"
#include "ranking/rank_cache.h"
#include "submit/score_payload.h"

namespace qir::bench {
namespace {

using nlohmann::json;

// What every log line must do at least: open the log, append, close.
void AppendLinePart(benchmark::State& state) {
  const std::filesystem::path path = ScratchRoot() / "floor" / "append.log";
  const std::string line = "2026-03-04 05:06:07 | INFO | board_fetch | endpoint=chart port=443\n";
  for (auto _ : state) benchmark::DoNotOptimize(platform::CurrentOs().append_to_file(path, line));
  std::filesystem::remove(path);
}
BENCHMARK(AppendLinePart)->Name("part/open_append_close")->UseRealTime();

void LogLinePart(benchmark::State& state) {
  for (auto _ : state) Log("INFO", "board_fetch", "endpoint=chart port=443");
}
BENCHMARK(LogLinePart)->Name("part/Log")->UseRealTime();

// What every key read must do at least: open key.txt, read, close.
void ReadKeyFilePart(benchmark::State& state) {
  const std::filesystem::path path = ScratchRoot() / "plugin" / "key.txt";
  for (auto _ : state) benchmark::DoNotOptimize(ReadWholeFile(path));
}
BENCHMARK(ReadKeyFilePart)->Name("part/open_read_close_key")->UseRealTime();

void ReadApiKeyPart(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadApiKey());
}
BENCHMARK(ReadApiKeyPart)->Name("part/ReadApiKey")->UseRealTime();

void ReadPlayerIdPart(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadPlayerId());
}
BENCHMARK(ReadPlayerIdPart)->Name("part/ReadPlayerId")->UseRealTime();

// Open, prepare, step, close and its log line.
void QueryPreviousBestPart(benchmark::State& state) {
  const auto play = Play();
  for (auto _ : state) {
    PreviousBest best;
    benchmark::DoNotOptimize(QueryPreviousBest(*play, best));
  }
}
BENCHMARK(QueryPreviousBestPart)->Name("part/QueryPreviousBest")->UseRealTime();

void BuildScorePayloadPart(benchmark::State& state) {
  const auto play = Play();
  const PreviousBest best = StoredBest();
  for (auto _ : state) benchmark::DoNotOptimize(BuildScorePayload(*play, play->ghost, true, &best));
}
BENCHMARK(BuildScorePayloadPart)->Name("part/BuildScorePayload")->UseRealTime();

void BuildAuthHeadersPart(benchmark::State& state) {
  const std::string payload(static_cast<std::size_t>(state.range(0)), 'x');
  const std::string key = kApiKey;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        BuildAuthHeaders(key.data(), key.size(), payload.data(), payload.size()));
  }
}
BENCHMARK(BuildAuthHeadersPart)->Name("part/BuildAuthHeaders")->UseRealTime()->Arg(0)->Arg(8192);

void UrlEncodePart(benchmark::State& state) {
  const std::string text = std::string(kHash) + " /?&=%\xC3\xA9";
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        UrlEncode(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
  }
}
BENCHMARK(UrlEncodePart)->Name("part/UrlEncode")->UseRealTime();

void ReadResponseBodyPart(benchmark::State& state) {
  for (auto _ : state) {
    const auto exchange = NewMemoryExchange();
    exchange->OpenRequest(u"GET", u"/api/chart/board", 0);
    exchange->Send({}, {}, kResponseBodyLimit);
    benchmark::DoNotOptimize(ReadResponseBody(*exchange, kResponseBodyLimit));
  }
}
BENCHMARK(ReadResponseBodyPart)
    ->Name("part/ReadResponseBody_board")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

void ParseBoardReplyPart(benchmark::State& state) {
  for (auto _ : state) {
    const json document = json::parse(BoardReply());
    benchmark::DoNotOptimize(&document);
  }
}
BENCHMARK(ParseBoardReplyPart)
    ->Name("part/json_parse_board")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The reply read into the board records, as GetRank reads it.
void ParseBoardPart(benchmark::State& state) {
  for (auto _ : state) {
    IRRankResult result;
    BoardStats stats;
    Board board;
    benchmark::DoNotOptimize(ParseBoard(BoardReply(), true, result, stats, board));
  }
}
BENCHMARK(ParseBoardPart)->Name("part/ParseBoard")->UseRealTime()->Unit(benchmark::kMicrosecond);

void RankCacheDocumentPart(benchmark::State& state) {
  IRRankResult result;
  BoardStats stats;
  Board board;
  ParseBoard(BoardReply(), true, result, stats, board);
  for (auto _ : state) {
    benchmark::DoNotOptimize(RankCacheDocument(kHash, result, stats, board, 1'772'600'767));
  }
}
BENCHMARK(RankCacheDocumentPart)
    ->Name("part/RankCacheDocument")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qir::bench
