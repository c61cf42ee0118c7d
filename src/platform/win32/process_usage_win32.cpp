#include "platform/process_usage.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h. PSAPI_VERSION 2: the call is kernel32's K32GetProcessMemoryInfo.
#include <psapi.h>

#include <cstdint>
#include <vector>

namespace qir::platform {
namespace {

// The system's handle table, as NtQuerySystemInformation gives it (information class
// 16): one entry for every handle of every process.
struct SystemHandleEntry {
  ULONG owner_process_id;
  BYTE object_type;
  BYTE flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};
struct SystemHandles {
  ULONG count;
  SystemHandleEntry entries[1];
};
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

// The calling process's entries in the system's handle table; nothing when it cannot
// be read.
std::optional<std::uint64_t> CountOwnHandles() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  const auto query = reinterpret_cast<NtQuerySystemInformationFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
  if (query == nullptr) return std::nullopt;
  std::vector<std::uint8_t> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(kSystemHandleInformation, buffer.data(),
                              static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch && buffer.size() < (1u << 28)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status < 0) return std::nullopt;
    break;
  }
  const auto* table = reinterpret_cast<const SystemHandles*>(buffer.data());
  const DWORD self = GetCurrentProcessId();
  std::uint64_t own = 0;
  for (ULONG i = 0; i < table->count; ++i) {
    if (table->entries[i].owner_process_id == self) ++own;
  }
  return own;
}

}  // namespace

std::optional<ProcessUsage> CurrentProcessUsage() {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  DWORD handles = 0;
  if (K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory)) == FALSE ||
      GetProcessHandleCount(GetCurrentProcess(), &handles) == FALSE) {
    return std::nullopt;
  }
  // A process always holds handles; a count of none is a system that does not keep
  // one (Wine's), and its handle table is counted instead.
  if (handles == 0) {
    const std::optional<std::uint64_t> own = CountOwnHandles();
    if (!own) return std::nullopt;
    return ProcessUsage{memory.WorkingSetSize, *own};
  }
  return ProcessUsage{memory.WorkingSetSize, handles};
}

}  // namespace qir::platform
