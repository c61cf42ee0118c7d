// The in-process benchmark program: the plugin's code linked in, its operating
// system the real one except for the HTTP exchange, which answers from memory, and
// the plugin's directory, which is a scratch folder laid out by bench_support.
#ifndef QUORVANE_BENCH_INPROCESS_H
#define QUORVANE_BENCH_INPROCESS_H

#include <filesystem>

namespace qir::bench {

// The scratch folder: plugin/, game/ (the current directory while benchmarks run)
// and floor/, where the floors write their files.
const std::filesystem::path& ScratchRoot();

}  // namespace qir::bench

#endif
