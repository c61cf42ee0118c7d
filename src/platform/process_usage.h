// What the running process holds of the system: its resident memory, the bytes its
// heaps hand out, and its open descriptors (POSIX) or handles (Windows). The host
// side's long-session check reads it to see that the plugin gives back what each call
// takes.
#ifndef QUORVANE_PLATFORM_PROCESS_USAGE_H
#define QUORVANE_PLATFORM_PROCESS_USAGE_H

#include <cstdint>
#include <optional>

namespace qir::platform {

struct ProcessUsage {
  std::uint64_t resident_bytes = 0;
  // Blocks allocated and not freed, whatever pages hold them: unlike the resident
  // size, untouched by how the heap happens to be laid out.
  std::uint64_t heap_bytes = 0;
  std::uint64_t handles = 0;
};

// Nothing when the system does not tell.
std::optional<ProcessUsage> CurrentProcessUsage();

}  // namespace qir::platform

#endif
