// Each slot as the host calls it, HTTP answered from memory, and its floor, as cases
// that the timed benchmarks and the instruction counts share.
#ifndef QUORVANE_BENCH_SLOT_CASES_H
#define QUORVANE_BENCH_SLOT_CASES_H

#include <functional>
#include <string>
#include <vector>

namespace qir::bench {

struct SlotCase {
  std::string name;  // "SLOT/plugin" or "SLOT/floor"; scripts/bench pairs them up
  // Sets the case up and gives back one call of it. Throws std::runtime_error when
  // the case cannot run (the slot did not give what it should).
  std::function<std::function<void()>()> prepare;
};

const std::vector<SlotCase>& SlotCases();

// Registers each case as a Google Benchmark of its own name.
void RegisterSlotBenchmarks();

// Runs under callgrind (valgrind --tool=callgrind --collect-atstart=no): each case
// set up and called twice uncounted, then `calls` calls counted and dumped under the
// case's name. Returns a process exit status; 2 when not run under callgrind.
int CountInstructions(int calls);

}  // namespace qir::bench

#endif
