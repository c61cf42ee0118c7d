// The diagnostic log: lines per second from one thread and from eight. Each line
// opens debug.log, appends and closes it, as every line of the plugin does.
#include <benchmark/benchmark.h>

#include "diag/log.h"

namespace qir::bench {
namespace {

void LogLines(benchmark::State& state) {
  for (auto _ : state) Log("INFO", "board_fetch", "endpoint=chart port=443 secure=1 query_len=77");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(LogLines)->Name("log_line")->UseRealTime()->Threads(1)->Threads(8);

}  // namespace
}  // namespace qir::bench
