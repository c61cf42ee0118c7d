#include "platform/process_usage.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h. PSAPI_VERSION 2: the call is kernel32's K32GetProcessMemoryInfo.
#include <psapi.h>

namespace qir::platform {

std::optional<ProcessUsage> CurrentProcessUsage() {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  DWORD handles = 0;
  if (K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory)) == FALSE ||
      GetProcessHandleCount(GetCurrentProcess(), &handles) == FALSE) {
    return std::nullopt;
  }
  return ProcessUsage{memory.WorkingSetSize, handles};
}

}  // namespace qir::platform
