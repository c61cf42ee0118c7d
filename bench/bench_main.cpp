// Speed of the per-request work: encoding, signing, the score document, a log line.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "diag/log.h"
#include "net/auth_headers.h"
#include "net/encoding.h"
#include "platform/os.h"
#include "submit/score_payload.h"

namespace {

const std::string kHash = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

void BM_UrlEncode(benchmark::State& state) {
  const std::string text = kHash + " /?&=%\xC3\xA9";
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        qir::UrlEncode(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
  }
}
BENCHMARK(BM_UrlEncode);

void BM_BuildAuthHeaders(benchmark::State& state) {
  const std::string key = "0123456789abcdef0123456789abcdef";
  const std::string payload(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        qir::BuildAuthHeaders(key.data(), key.size(), payload.data(), payload.size()));
  }
}
BENCHMARK(BM_BuildAuthHeaders)->Arg(0)->Arg(2048);

void BM_BuildScorePayload(benchmark::State& state) {
  auto play = std::make_unique<IRPlayResult>();
  play->hash = kHash;
  play->title = "title";
  qir::PreviousBest best;
  best.op_best = 4321;
  for (auto _ : state) benchmark::DoNotOptimize(qir::BuildScorePayload(*play, "ghost", true, &best));
}
BENCHMARK(BM_BuildScorePayload);

void BM_LogLine(benchmark::State& state) {
  // The log goes beside the "plugin", here a scratch folder.
  static std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorvane-bench";
  std::filesystem::create_directories(dir);
  qir::platform::Os os = qir::platform::SystemOs();
  os.module_file_name = [] { return dir / "QuorvaneIR.plugin"; };
  qir::platform::InstallOs(os);
  for (auto _ : state) qir::Log("INFO", "db_query", "result=ok hash8=01234567");
  qir::platform::InstallOs(qir::platform::SystemOs());
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LogLine);

}  // namespace
