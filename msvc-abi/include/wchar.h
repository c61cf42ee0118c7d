// Wine's <wchar.h> with the Universal CRT's mbstate_t: the struct _Mbstatet, which
// Microsoft's STL names itself and keeps inside std::fpos and std::basic_filebuf.
// Wine's header makes mbstate_t an int; its declarations are set aside under other
// names and declared again with the real type.
#pragma once
#ifndef _MSVC_ABI_WCHAR_H
#define _MSVC_ABI_WCHAR_H

#define mbstate_t __wine_int_mbstate_t
#define mbrlen __wine_mbrlen
#define mbrtowc __wine_mbrtowc
#define mbsrtowcs __wine_mbsrtowcs
#define wcrtomb __wine_wcrtomb
#define wcsrtombs __wine_wcsrtombs
#include_next <wchar.h>
#undef mbstate_t
#undef mbrlen
#undef mbrtowc
#undef mbsrtowcs
#undef wcrtomb
#undef wcsrtombs

#ifdef __cplusplus
extern "C" {
#endif
typedef _Mbstatet mbstate_t;

_ACRTIMP size_t __cdecl mbrlen(const char*, size_t, mbstate_t*);
_ACRTIMP size_t __cdecl mbrtowc(wchar_t*, const char*, size_t, mbstate_t*);
_ACRTIMP size_t __cdecl mbsrtowcs(wchar_t*, const char**, size_t, mbstate_t*);
_ACRTIMP size_t __cdecl wcrtomb(char*, wchar_t, mbstate_t*);
_ACRTIMP size_t __cdecl wcsrtombs(char*, const wchar_t**, size_t, mbstate_t*);
_ACRTIMP long double __cdecl wcstold(const wchar_t*, wchar_t**);

static __inline int __cdecl fwide(FILE* _F, int _Mode) { (void)_F; return _Mode; }
static __inline int __cdecl mbsinit(const mbstate_t* _P) { return _P == NULL || _P->_Wchar == 0; }
static __inline int __cdecl vfwscanf(FILE* _F, const wchar_t* _Fmt, va_list _A) {
  return __stdio_common_vfwscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, _F, _Fmt, NULL, _A); }
static __inline int __cdecl vswscanf(const wchar_t* _S, const wchar_t* _Fmt, va_list _A) {
  return __stdio_common_vswscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, _S, (size_t)-1, _Fmt, NULL, _A); }
static __inline int __cdecl vwscanf(const wchar_t* _Fmt, va_list _A) { return vfwscanf(stdin, _Fmt, _A); }
#ifdef __cplusplus
}
#endif
#endif
