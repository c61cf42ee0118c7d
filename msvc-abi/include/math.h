// Wine's <math.h>, completed the way the Universal CRT's is: long double is double
// under the Microsoft ABI, so the long double functions are inline calls of the double
// ones; in C++ the classification macros are functions, as Microsoft's STL expects
// (it brings them into std with using-declarations).
#pragma once
#include_next <math.h>

#ifndef _MSVC_ABI_MATH_H
#define _MSVC_ABI_MATH_H

typedef float float_t;
typedef double double_t;

#define _MSVC_ABI_LD1(name) \
  static __inline long double __cdecl name##l(long double _X) { return name((double)_X); }
#define _MSVC_ABI_LD2(name) \
  static __inline long double __cdecl name##l(long double _X, long double _Y) { \
    return name((double)_X, (double)_Y); }

#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP double __cdecl fma(double, double, double);
_ACRTIMP float __cdecl fmaf(float, float, float);
_ACRTIMP double __cdecl erfc(double);
_ACRTIMP float __cdecl erfcf(float);
_ACRTIMP double __cdecl nan(const char*);
_ACRTIMP float __cdecl nanf(const char*);
_ACRTIMP double __cdecl nexttoward(double, long double);
_ACRTIMP float __cdecl nexttowardf(float, long double);

_MSVC_ABI_LD1(acos) _MSVC_ABI_LD1(acosh) _MSVC_ABI_LD1(asin) _MSVC_ABI_LD1(asinh)
_MSVC_ABI_LD1(atan) _MSVC_ABI_LD2(atan2) _MSVC_ABI_LD1(atanh) _MSVC_ABI_LD1(cbrt)
_MSVC_ABI_LD1(ceil) _MSVC_ABI_LD2(copysign) _MSVC_ABI_LD1(cos) _MSVC_ABI_LD1(cosh)
_MSVC_ABI_LD1(erf) _MSVC_ABI_LD1(erfc) _MSVC_ABI_LD1(exp) _MSVC_ABI_LD1(exp2)
_MSVC_ABI_LD1(expm1) _MSVC_ABI_LD1(fabs) _MSVC_ABI_LD2(fdim) _MSVC_ABI_LD1(floor)
_MSVC_ABI_LD2(fmax) _MSVC_ABI_LD2(fmin) _MSVC_ABI_LD2(fmod) _MSVC_ABI_LD2(hypot)
_MSVC_ABI_LD1(lgamma) _MSVC_ABI_LD1(log) _MSVC_ABI_LD1(log10) _MSVC_ABI_LD1(log1p)
_MSVC_ABI_LD1(log2) _MSVC_ABI_LD1(logb) _MSVC_ABI_LD1(nearbyint) _MSVC_ABI_LD2(nextafter)
_MSVC_ABI_LD2(nexttoward) _MSVC_ABI_LD2(pow) _MSVC_ABI_LD2(remainder) _MSVC_ABI_LD1(rint)
_MSVC_ABI_LD1(round) _MSVC_ABI_LD1(sin) _MSVC_ABI_LD1(sinh) _MSVC_ABI_LD1(sqrt)
_MSVC_ABI_LD1(tan) _MSVC_ABI_LD1(tanh) _MSVC_ABI_LD1(tgamma) _MSVC_ABI_LD1(trunc)

static __inline long double __cdecl fmal(long double _X, long double _Y, long double _Z) {
  return fma((double)_X, (double)_Y, (double)_Z); }
static __inline long double __cdecl frexpl(long double _X, int* _E) { return frexp((double)_X, _E); }
static __inline long double __cdecl ldexpl(long double _X, int _E) { return ldexp((double)_X, _E); }
static __inline long double __cdecl modfl(long double _X, long double* _I) {
  double _D; long double _R = modf((double)_X, &_D); *_I = _D; return _R; }
static __inline long double __cdecl nanl(const char* _T) { return nan(_T); }
static __inline long double __cdecl remquol(long double _X, long double _Y, int* _Q) {
  return remquo((double)_X, (double)_Y, _Q); }
static __inline long double __cdecl scalbnl(long double _X, int _E) { return scalbn((double)_X, _E); }
static __inline long double __cdecl scalblnl(long double _X, long _E) { return scalbln((double)_X, _E); }
static __inline int __cdecl ilogbl(long double _X) { return ilogb((double)_X); }
static __inline long __cdecl lrintl(long double _X) { return lrint((double)_X); }
static __inline long long __cdecl llrintl(long double _X) { return llrint((double)_X); }
static __inline long __cdecl lroundl(long double _X) { return lround((double)_X); }
static __inline long long __cdecl llroundl(long double _X) { return llround((double)_X); }
#ifdef __cplusplus
}
#endif
#undef _MSVC_ABI_LD1
#undef _MSVC_ABI_LD2

#ifdef __cplusplus
#undef fpclassify
#undef signbit
#undef isinf
#undef isnan
#undef isnormal
#undef isfinite
#undef isgreater
#undef isgreaterequal
#undef isless
#undef islessequal
#undef islessgreater
#undef isunordered
extern "C++" {
template <class _Ty> inline int fpclassify(_Ty _X) noexcept {
  return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO,
                              static_cast<double>(_X));
}
inline int fpclassify(float _X) noexcept {
  return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, _X);
}
template <class _Ty> inline bool signbit(_Ty _X) noexcept { return __builtin_signbit(static_cast<double>(_X)); }
inline bool signbit(float _X) noexcept { return __builtin_signbitf(_X); }
template <class _Ty> inline bool isinf(_Ty _X) noexcept { return __builtin_isinf(_X); }
template <class _Ty> inline bool isnan(_Ty _X) noexcept { return __builtin_isnan(_X); }
template <class _Ty> inline bool isnormal(_Ty _X) noexcept { return __builtin_isnormal(_X); }
template <class _Ty> inline bool isfinite(_Ty _X) noexcept { return __builtin_isfinite(_X); }
template <class _T1, class _T2> inline bool isgreater(_T1 _X, _T2 _Y) noexcept { return __builtin_isgreater(_X, _Y); }
template <class _T1, class _T2> inline bool isgreaterequal(_T1 _X, _T2 _Y) noexcept { return __builtin_isgreaterequal(_X, _Y); }
template <class _T1, class _T2> inline bool isless(_T1 _X, _T2 _Y) noexcept { return __builtin_isless(_X, _Y); }
template <class _T1, class _T2> inline bool islessequal(_T1 _X, _T2 _Y) noexcept { return __builtin_islessequal(_X, _Y); }
template <class _T1, class _T2> inline bool islessgreater(_T1 _X, _T2 _Y) noexcept { return __builtin_islessgreater(_X, _Y); }
template <class _T1, class _T2> inline bool isunordered(_T1 _X, _T2 _Y) noexcept { return __builtin_isunordered(_X, _Y); }
}
#endif
#endif
