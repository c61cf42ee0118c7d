// Wine's <time.h> with the Universal CRT's localtime_s and gmtime_s and C11's
// timespec_get, inline over ucrtbase's 32- or 64-bit functions as in the Universal CRT.
#pragma once
#include_next <time.h>
#ifndef _MSVC_ABI_TIME_H
#define _MSVC_ABI_TIME_H
#ifdef __cplusplus
extern "C" {
#endif
#ifndef TIME_UTC
#define TIME_UTC 1
#endif
struct _timespec32 {
  __time32_t tv_sec;
  long tv_nsec;
};
struct _timespec64 {
  __time64_t tv_sec;
  long tv_nsec;
};
struct timespec {
  time_t tv_sec;
  long tv_nsec;
};
_ACRTIMP int __cdecl _timespec32_get(struct _timespec32*, int);
_ACRTIMP int __cdecl _timespec64_get(struct _timespec64*, int);
_ACRTIMP errno_t __cdecl _localtime32_s(struct tm*, const __time32_t*);
_ACRTIMP errno_t __cdecl _gmtime32_s(struct tm*, const __time32_t*);
_ACRTIMP errno_t __cdecl _gmtime64_s(struct tm*, const __time64_t*);
#ifdef _USE_32BIT_TIME_T
static __inline errno_t __cdecl localtime_s(struct tm* _Tm, const time_t* _Time) { return _localtime32_s(_Tm, _Time); }
static __inline errno_t __cdecl gmtime_s(struct tm* _Tm, const time_t* _Time) { return _gmtime32_s(_Tm, _Time); }
#else
static __inline errno_t __cdecl localtime_s(struct tm* _Tm, const time_t* _Time) { return _localtime64_s(_Tm, _Time); }
static __inline errno_t __cdecl gmtime_s(struct tm* _Tm, const time_t* _Time) { return _gmtime64_s(_Tm, _Time); }
#endif
static __inline int __cdecl timespec_get(struct timespec* const _Ts, int const _Base) {
#ifdef _USE_32BIT_TIME_T
  return _timespec32_get((struct _timespec32*)_Ts, _Base);
#else
  return _timespec64_get((struct _timespec64*)_Ts, _Base);
#endif
}
#ifdef __cplusplus
}
#endif
#endif
