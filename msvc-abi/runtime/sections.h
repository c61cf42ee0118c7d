// The sections Microsoft's linker conventions give the C and C++ start-up code: the
// compiler puts a pointer to each dynamic initializer in .CRT$XCU (and C initializers
// in .CRT$XIU, thread_local initializers in .CRT$XDU); the linker sorts the sections
// by the text after '$', so the markers placed in ...A and ...Z bracket them.
#pragma once

typedef void(__cdecl* _PVFV)(void);
typedef int(__cdecl* _PIFV)(void);

#pragma section(".CRT$XIA", long, read)
#pragma section(".CRT$XIZ", long, read)
#pragma section(".CRT$XCA", long, read)
#pragma section(".CRT$XCZ", long, read)
#pragma section(".CRT$XDA", long, read)
#pragma section(".CRT$XDZ", long, read)
#pragma section(".CRT$XLA", long, read)
#pragma section(".CRT$XLZ", long, read)

extern "C" {
extern _PIFV __xi_a[], __xi_z[];  // C initializers
extern _PVFV __xc_a[], __xc_z[];  // C++ dynamic initializers
extern _PVFV __xd_a[], __xd_z[];  // thread_local dynamic initializers

void __cdecl __security_init_cookie(void);

// ucrtbase.dll
int __cdecl _initterm_e(_PIFV*, _PIFV*);
void __cdecl _initterm(_PVFV*, _PVFV*);
}
