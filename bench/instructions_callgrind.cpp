// Instruction counts of the slot cases, taken by callgrind through its client
// requests: only the counted calls are collected, and each case is dumped on its own
// under its name ("desc: Trigger: Client Request: GetRank/plugin").
#include <valgrind/callgrind.h>

#include <cstdio>
#include <exception>

#include "slot_cases.h"

namespace qir::bench {

int CountInstructions(int calls) {
  if (RUNNING_ON_VALGRIND == 0) {
    std::fprintf(stderr, "quorvane_bench: --instructions needs valgrind --tool=callgrind\n");
    return 2;
  }
  for (const SlotCase& c : SlotCases()) {
    std::function<void()> call;
    try {
      call = c.prepare();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "quorvane_bench: %s: %s\n", c.name.c_str(), e.what());
      return 1;
    }
    // Uncounted: the first calls fill caches of the libraries (SQLite, OpenSSL, the
    // C library's time zone) that every later call finds ready.
    call();
    call();
    CALLGRIND_ZERO_STATS;
    CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < calls; ++i) call();
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(c.name.c_str());
    std::printf("%s %d\n", c.name.c_str(), calls);
  }
  return 0;
}

}  // namespace qir::bench
