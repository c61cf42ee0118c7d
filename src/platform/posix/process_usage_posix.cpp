#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>

#include "platform/process_usage.h"

namespace qir::platform {

std::optional<ProcessUsage> CurrentProcessUsage() {
  ProcessUsage usage;
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return std::nullopt;
  unsigned long long total_pages = 0;
  unsigned long long resident_pages = 0;
  const int fields = std::fscanf(statm, "%llu %llu", &total_pages, &resident_pages);
  std::fclose(statm);
  if (fields != 2) return std::nullopt;
  usage.resident_bytes = resident_pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  // glibc's allocator: the blocks in its arenas and those mapped on their own.
  const struct mallinfo2 heap = mallinfo2();
  usage.heap_bytes = heap.uordblks + heap.hblkhd;

  DIR* descriptors = opendir("/proc/self/fd");
  if (descriptors == nullptr) return std::nullopt;
  while (const dirent* entry = readdir(descriptors)) {
    if (entry->d_name[0] != '.') ++usage.handles;
  }
  closedir(descriptors);
  --usage.handles;  // the listing's own
  return usage;
}

}  // namespace qir::platform
