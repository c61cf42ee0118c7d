// Wine's <winnt.h>. It defines some interlocked functions inline (the 64-bit ones on
// x86, the 128-bit compare-exchange on x86_64) under names clang declares as built-in
// functions for the Microsoft target; Wine's definitions are kept under names of
// their own.
#pragma once
#ifdef __i386__
#define _InterlockedAnd64 __wine_InterlockedAnd64
#define _InterlockedCompareExchangePointer __wine_InterlockedCompareExchangePointer
#define _InterlockedExchangeAdd64 __wine_InterlockedExchangeAdd64
#define _InterlockedExchangePointer __wine_InterlockedExchangePointer
#define _InterlockedIncrement64 __wine_InterlockedIncrement64
#define _InterlockedDecrement64 __wine_InterlockedDecrement64
#define _InterlockedOr64 __wine_InterlockedOr64
#define _InterlockedXor64 __wine_InterlockedXor64
#else
#define _InterlockedCompareExchange128 __wine_InterlockedCompareExchange128
#endif
#include_next <winnt.h>
