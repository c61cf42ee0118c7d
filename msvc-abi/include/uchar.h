// Replaces Wine's <uchar.h>, which typedefs char16_t and char32_t for compilers that
// are not GCC (they are keywords in C++); the functions are ucrtbase's.
#pragma once
#include <wchar.h>
#ifdef __cplusplus
extern "C" {
#endif
#ifndef __cplusplus
typedef unsigned short char16_t;
typedef unsigned int char32_t;
#endif
_ACRTIMP size_t __cdecl mbrtoc16(char16_t*, const char*, size_t, mbstate_t*);
_ACRTIMP size_t __cdecl c16rtomb(char*, char16_t, mbstate_t*);
_ACRTIMP size_t __cdecl mbrtoc32(char32_t*, const char*, size_t, mbstate_t*);
_ACRTIMP size_t __cdecl c32rtomb(char*, char32_t, mbstate_t*);
#ifdef __cplusplus
}
#endif
