// Wine's <fenv.h> with the two C99 functions the Universal CRT declares and Wine's
// ucrtbase does not export; nothing here calls them (the STL names them in <cfenv>).
#pragma once
#include_next <fenv.h>
#ifndef _MSVC_ABI_FENV_H
#define _MSVC_ABI_FENV_H
#ifdef __cplusplus
extern "C" {
#endif
int __cdecl feraiseexcept(int);
int __cdecl feupdateenv(const fenv_t*);
#ifdef __cplusplus
}
#endif
#endif
