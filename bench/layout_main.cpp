// Lays out the server's replies and the player's and host's files (see LayOut).
//
//   quorvane_bench_layout DIR
#include <iostream>

#include "bench_support.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quorvane_bench_layout DIR\n";
    return 2;
  }
  try {
    qir::bench::LayOut(argv[1]);
  } catch (const std::exception& e) {
    std::cerr << "quorvane_bench_layout: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
