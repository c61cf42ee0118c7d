// Stands in for Microsoft's vcruntime.h, which Microsoft's STL includes first: the
// compiler-support macros and base types of the Visual C++ runtime. The C runtime
// underneath is Wine's (its corecrt.h gives size_t, wchar_t, __int64 and friends).
#pragma once
#define _VCRUNTIME_H

#include <corecrt.h>
#include <sal.h>
#include <vadefs.h>

#ifndef _CRT_BEGIN_C_HEADER
#define _CRT_BEGIN_C_HEADER __pragma(pack(push, _CRT_PACKING)) extern "C" {
#define _CRT_END_C_HEADER } __pragma(pack(pop))
#endif
#ifdef __cplusplus
#undef _CRT_BEGIN_C_HEADER
#undef _CRT_END_C_HEADER
#define _CRT_BEGIN_C_HEADER __pragma(pack(push, _CRT_PACKING)) extern "C" {
#define _CRT_END_C_HEADER } __pragma(pack(pop))
#else
#undef _CRT_BEGIN_C_HEADER
#undef _CRT_END_C_HEADER
#define _CRT_BEGIN_C_HEADER __pragma(pack(push, _CRT_PACKING))
#define _CRT_END_C_HEADER __pragma(pack(pop))
#endif

#define _CRT_PACKING 8

#define _VCRTIMP __declspec(dllimport)
#ifndef _CRTIMP2
#define _CRTIMP2
#endif
#ifndef _MRTIMP2
#define _MRTIMP2
#endif
#define _PGLOBAL
// Parts of the C++ runtime that live in the satellite DLLs msvcp140_1.dll (memory
// resources), msvcp140_2.dll (special math functions) and msvcp140_codecvt_ids.dll.
#define _CRT_SATELLITE_1 __declspec(dllimport)
#define _CRT_SATELLITE_2 __declspec(dllimport)
#define _CRT_SATELLITE_CODECVT_IDS __declspec(dllimport)
#define _CRT_SATELLITE_CODECVT_IDS_NOIMPORT
#define _VCRT_NOALIAS __declspec(noalias)
#define _VCRT_RESTRICT __declspec(restrict)
#define _VCRT_ALLOCATOR __declspec(allocator)
#define _VCRT_ALIGN(x) __declspec(align(x))
#define _CRTALLOCATOR __declspec(allocator)
#define _CRTRESTRICT __declspec(restrict)
#define _CRT_GUARDOVERFLOW
#define _CRT_HYBRIDPATCHABLE
#define _CRT_UNUSED(x) (void)x
#define _CRT_NONSTDC_DEPRECATE(x)
#define _CRT_INSECURE_DEPRECATE(x)
#define _CRT_INSECURE_DEPRECATE_MEMORY(x)
#define _CRT_DEPRECATE_TEXT(x) __declspec(deprecated(x))
#define _CRT_STRINGIZE_(x) #x
#define _CRT_STRINGIZE(x) _CRT_STRINGIZE_(x)
#define _CRT_WIDE_(s) L##s
#define _CRT_WIDE(s) _CRT_WIDE_(s)
#define _CRT_CONCATENATE_(a, b) a##b
#define _CRT_CONCATENATE(a, b) _CRT_CONCATENATE_(a, b)
#define _CRT_APPEND(a, b) _CRT_CONCATENATE(a, b)
#define _CRT_UNPARENTHESIZE_(...) __VA_ARGS__
#define _CRT_UNPARENTHESIZE(...) _CRT_UNPARENTHESIZE_ __VA_ARGS__

#define __CRTDECL __cdecl
#define __CLRCALL_OR_CDECL __cdecl
#define __CLRCALL_PURE_OR_CDECL __cdecl
#define __CLR_OR_THIS_CALL
#define __CLRCALL_PURE_OR_STDCALL __stdcall

#define _HAS_EXCEPTIONS 1

#ifndef _HAS_CXX17
#if _MSVC_LANG > 201402L
#define _HAS_CXX17 1
#else
#define _HAS_CXX17 0
#endif
#endif
#ifndef _HAS_CXX20
#if _HAS_CXX17 && _MSVC_LANG > 201703L
#define _HAS_CXX20 1
#else
#define _HAS_CXX20 0
#endif
#endif
#ifndef _HAS_CXX23
#if _HAS_CXX20 && _MSVC_LANG > 202002L
#define _HAS_CXX23 1
#else
#define _HAS_CXX23 0
#endif
#endif
#define _CRT_HAS_CXX17 1
#define _HAS_NODISCARD 1
#define _NODISCARD [[nodiscard]]
#define _MSVC_CONSTEXPR

#ifndef _CONST_RETURN
#define _CONST_RETURN const
#define _CRT_CONST_CORRECT_OVERLOADS
#endif

#define _CRT_ALIGN(x) __declspec(align(x))

#ifndef _WIN64
#define _VCRT_ALIGN_POINTER 4
#else
#define _VCRT_ALIGN_POINTER 8
#endif

#ifdef __cplusplus
extern "C++" {
template <typename _CountofType, size_t _SizeOfArray>
char (*__countof_helper(_CountofType (&_Array)[_SizeOfArray]))[_SizeOfArray];
}
#define __crt_countof(_Array) (sizeof(*__countof_helper(_Array)) + 0)
#else
#define __crt_countof(_Array) (sizeof(_Array) / sizeof(_Array[0]))
#endif
#ifndef _countof
#define _countof __crt_countof
#endif

#ifdef __cplusplus
extern "C" {
#endif
// The Universal CRT's corecrt.h reports a bad argument to a checked function this way.
_ACRTIMP __declspec(noreturn) void __cdecl _invalid_parameter_noinfo_noreturn(void);
#ifndef _CRT_SECURE_INVALID_PARAMETER
#define _CRT_SECURE_INVALID_PARAMETER(expr) _invalid_parameter_noinfo_noreturn()
#endif
#ifdef _WIN64
extern unsigned __int64 __security_cookie;
#else
extern unsigned int __security_cookie;
#endif
void __cdecl __security_init_cookie(void);
#ifdef _M_IX86
void __fastcall __security_check_cookie(uintptr_t _StackCookie);
#else
void __cdecl __security_check_cookie(uintptr_t _StackCookie);
#endif
#ifdef __cplusplus
}
#endif
