// Peak heap of one board fetch through the plugin library, over HTTPS from the
// server scripts/bench starts, of a reply of kBoardBytes bytes.
//
//   quorvane_bench_memory --root DIR      (DIR as for quorvane_bench_net)
//
// Global operator new and delete are replaced below, so every C++ allocation of the
// process is counted: the plugin's, its transport's buffer and the host's record
// (the library's operator new calls bind to these). libcurl's and OpenSSL's own
// malloc buffers are not counted; a bare request has them as well. One fetch warms
// up first, so one-time allocations (locale, libcurl's and OpenSSL's set-up) stay out.
//
// Prints one JSON object: body_bytes, peak_bytes (highest live heap during the fetch
// above what was live before it) and retained_bytes (live after it: the host's record).
#include <curl/curl.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>

#include "bench_support.h"
#include "plugin_library.h"

namespace {

std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void* Counted(void* p) {
  if (p == nullptr) return p;
  const std::size_t live = g_live.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
  std::size_t peak = g_peak.load();
  while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
  }
  return p;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  g_live.fetch_sub(malloc_usable_size(p));
  std::free(p);
}

void* Allocate(std::size_t n) { return Counted(std::malloc(n == 0 ? 1 : n)); }

void* AllocateAligned(std::size_t n, std::align_val_t alignment) {
  const auto a = static_cast<std::size_t>(alignment);
  return Counted(std::aligned_alloc(a, (n + a - 1) / a * a));
}

}  // namespace

void* operator new(std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new(std::size_t n, std::align_val_t a) {
  if (void* p = AllocateAligned(n, a)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) {
  if (void* p = AllocateAligned(n, a)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }

int main(int argc, char** argv) {
  using namespace qir::bench;
  if (argc != 3 || std::strcmp(argv[1], "--root") != 0) {
    std::cerr << "usage: quorvane_bench_memory --root DIR\n";
    return 2;
  }
  curl_global_init(CURL_GLOBAL_DEFAULT);
  try {
    const PluginLibrary plugin = LoadPlugin(std::filesystem::absolute(argv[2]));
    auto result = std::make_unique<IRRankResult>();
    if (plugin.table.GetRank(kHash, 0, result.get()) != 0 ||
        result->entries.size() != kBoardRows) {
      std::cerr << "quorvane_bench_memory: the warm-up fetch did not give the board\n";
      return 1;
    }
    *result = IRRankResult{};

    const std::size_t before = g_live.load();
    g_peak.store(before);
    const std::int32_t status = plugin.table.GetRank(kHash, 0, result.get());
    const std::size_t peak = g_peak.load() - before;
    const std::size_t retained = g_live.load() - before;
    if (status != 0 || result->entries.size() != kBoardRows) {
      std::cerr << "quorvane_bench_memory: the fetch did not give the board\n";
      return 1;
    }
    std::cout << "{\"body_bytes\": " << BoardReply().size() << ", \"peak_bytes\": " << peak
              << ", \"retained_bytes\": " << retained << "}\n";
  } catch (const std::exception& e) {
    std::cerr << "quorvane_bench_memory: " << e.what() << '\n';
    return 1;
  }
  curl_global_cleanup();
  return 0;
}
