// Wine's <stdio.h> with what the Universal CRT's also declares: the scanf family
// over va_list (inline over ucrtbase's __stdio_common_* entry points, as in the
// Universal CRT) and _get_stream_buffer_pointers, which ucrtbase exports and
// Microsoft's STL uses for its file streams.
#pragma once
#include_next <stdio.h>
#ifndef _MSVC_ABI_STDIO_H
#define _MSVC_ABI_STDIO_H
#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP errno_t __cdecl _get_stream_buffer_pointers(FILE*, char***, char***, int**);
static __inline int __cdecl vfscanf(FILE* _F, const char* _Fmt, va_list _A) {
  return __stdio_common_vfscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, _F, _Fmt, NULL, _A); }
static __inline int __cdecl vsscanf(const char* _S, const char* _Fmt, va_list _A) {
  return __stdio_common_vsscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, _S, (size_t)-1, _Fmt, NULL, _A); }
static __inline int __cdecl vscanf(const char* _Fmt, va_list _A) { return vfscanf(stdin, _Fmt, _A); }
#ifdef __cplusplus
}
#endif
#endif
