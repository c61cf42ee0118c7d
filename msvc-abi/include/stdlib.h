// Wine's <stdlib.h> with the Universal CRT's declarations it leaves out under this
// compiler: div and ldiv on x86 (Wine's own build returns the pair differently; under
// the Microsoft ABI an 8-byte struct comes back in EDX:EAX, as ucrtbase returns it),
// _set_abort_behavior and the quick_exit pair.
#pragma once
#ifdef __i386__
#define div __wine_unused_div
#define ldiv __wine_unused_ldiv
#endif
#include_next <stdlib.h>
#ifdef __i386__
#undef div
#undef ldiv
#endif
#ifndef _MSVC_ABI_STDLIB_H
#define _MSVC_ABI_STDLIB_H
#include <errno.h>
#include <process.h>
#ifdef __cplusplus
extern "C" {
#endif
#ifdef __i386__
_ACRTIMP div_t __cdecl div(int, int);
_ACRTIMP ldiv_t __cdecl ldiv(long, long);
#endif
_ACRTIMP unsigned int __cdecl _set_abort_behavior(unsigned int, unsigned int);
// Provided by the static runtime (msvc-abi/runtime), over ucrtbase's _crt_at_quick_exit.
int __cdecl at_quick_exit(void(__cdecl*)(void));
#ifdef __cplusplus
}
#endif
#endif
