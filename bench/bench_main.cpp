// The in-process benchmarks: each slot against the floor of its essential work, the
// log, and the parts a slot is made of. Run by scripts/bench.
//
//   quorvane_bench [--scratch DIR] [Google Benchmark flags]
//   valgrind --tool=callgrind --collect-atstart=no quorvane_bench [--scratch DIR] --instructions N
//
// DIR (default: a new folder in the system's temporary directory) is laid out afresh
// and removed at the end. With --instructions the slot cases are not timed but each
// called N times under callgrind's count (see slot_cases.h).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>

#include "bench_support.h"
#include "inprocess.h"
#include "platform/os.h"
#include "slot_cases.h"

namespace qir::bench {
namespace {

std::filesystem::path g_root;
std::filesystem::path g_plugin_file;

}  // namespace

const std::filesystem::path& ScratchRoot() { return g_root; }

}  // namespace qir::bench

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace qir::bench;
  benchmark::Initialize(&argc, argv);
  fs::path scratch;
  int instruction_calls = 0;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--scratch") == 0 && i + 1 < argc) {
      scratch = argv[++i];
    } else if (std::strcmp(argv[i], "--instructions") == 0 && i + 1 < argc) {
      instruction_calls = std::atoi(argv[++i]);
      if (instruction_calls <= 0) return 2;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  if (scratch.empty()) {
    scratch = fs::temp_directory_path() / ("quorvane-bench-" + std::to_string(std::random_device()()));
  }

  const fs::path previous_cwd = fs::current_path();
  try {
    fs::remove_all(scratch);
    LayOut(scratch);
    fs::create_directories(scratch / "floor");
  } catch (const std::exception& e) {
    std::cerr << "quorvane_bench: " << e.what() << '\n';
    return 1;
  }
  g_root = fs::absolute(scratch);
  g_plugin_file = g_root / "plugin" / "QuorvaneIR.so";
  fs::current_path(g_root / "game");

  qir::platform::Os os = qir::platform::SystemOs();
  os.module_file_name = []() -> fs::path { return g_plugin_file; };
  os.new_http_exchange = [] { return NewMemoryExchange(); };
  qir::platform::InstallOs(os);

  int status = 0;
  if (instruction_calls > 0) {
    status = CountInstructions(instruction_calls);
  } else {
    RegisterSlotBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();

  qir::platform::InstallOs(qir::platform::SystemOs());
  fs::current_path(previous_cwd);
  std::error_code ignored;
  fs::remove_all(g_root, ignored);
  return status;
}
