// Static thread-local storage: the TLS directory (_tls_used, which the linker makes
// the image's TLS directory), the bounds of the .tls template, the slot index the
// loader fills in, and the TLS callback that runs thread_local dynamic initializers
// in each new thread (Microsoft's static runtime calls it __dyn_tls_init).
#include <windows.h>

#include "sections.h"

extern "C" {
ULONG _tls_index = 0;

#pragma section(".tls", long, read, write)
#pragma section(".tls$ZZZ", long, read, write)
__declspec(allocate(".tls")) char _tls_start = 0;
__declspec(allocate(".tls$ZZZ")) char _tls_end = 0;

__declspec(allocate(".CRT$XLA")) PIMAGE_TLS_CALLBACK __xl_a = nullptr;
__declspec(allocate(".CRT$XLZ")) PIMAGE_TLS_CALLBACK __xl_z = nullptr;

extern const IMAGE_TLS_DIRECTORY _tls_used = {
    reinterpret_cast<ULONG_PTR>(&_tls_start),
    reinterpret_cast<ULONG_PTR>(&_tls_end),
    reinterpret_cast<ULONG_PTR>(&_tls_index),
    reinterpret_cast<ULONG_PTR>(&__xl_a + 1),
    0,
    0,
};

#ifdef _M_IX86
// x86 code reaches the thread's TLS array at fs:[__tls_array], the offset of
// ThreadLocalStoragePointer in the TEB.
__asm__(".globl __tls_array\n.set __tls_array, 44");
#endif

static void NTAPI __dyn_tls_init(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_THREAD_ATTACH && reason != DLL_PROCESS_ATTACH) {
    return;
  }
  for (_PVFV* init = __xd_a + 1; init < __xd_z; ++init) {
    if (*init) {
      (*init)();
    }
  }
}
#pragma section(".CRT$XLC", long, read)
__declspec(allocate(".CRT$XLC")) PIMAGE_TLS_CALLBACK __xl_c = __dyn_tls_init;
}

// Keep the directory and the callback when nothing references them by name.
#ifdef _M_IX86
#pragma comment(linker, "/include:__tls_used")
#pragma comment(linker, "/include:___xl_c")
#else
#pragma comment(linker, "/include:_tls_used")
#pragma comment(linker, "/include:__xl_c")
#endif
