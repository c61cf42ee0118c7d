#include "platform/process_usage.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h. PSAPI_VERSION 2: the call is kernel32's K32GetProcessMemoryInfo.
#include <psapi.h>

#include <cstdint>
#include <vector>

// Kernel32's since Windows XP SP1; the Wine headers the MSVC-ABI build compiles
// against leave it out.
extern "C" WINBASEAPI BOOL WINAPI GetProcessHandleCount(HANDLE process, PDWORD count);

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

// The bytes of every busy block of every heap of the process: the C runtime's, the
// process heap and any other a library made.
std::optional<std::uint64_t> HeapBytes() {
  std::vector<HANDLE> heaps(64);
  for (;;) {
    const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count == 0) return std::nullopt;
    if (count <= heaps.size()) {
      heaps.resize(count);
      break;
    }
    heaps.resize(count);
  }
  std::uint64_t busy = 0;
  for (const HANDLE heap : heaps) {
    if (HeapLock(heap) == FALSE) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry) != FALSE) {
      if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) busy += entry.cbData;
    }
    HeapUnlock(heap);
  }
  return busy;
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
  const std::optional<std::uint64_t> own =
      handles != 0 ? std::optional<std::uint64_t>(handles) : CountOwnHandles();
  const std::optional<std::uint64_t> heap = HeapBytes();
  if (!own || !heap) return std::nullopt;
  return ProcessUsage{memory.WorkingSetSize, *heap, *own};
}

}  // namespace qir::platform
