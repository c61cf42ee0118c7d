// The /GS stack cookie: its value, set once at start-up from values that differ per
// process and per run, and the check the compiler calls before a protected function
// returns. This file is itself built without /GS, as it runs before the cookie is set.
#include <windows.h>

#include <stdint.h>

extern "C" {
#ifdef _WIN64
#define DEFAULT_SECURITY_COOKIE 0x00002B992DDFA232ull
#else
#define DEFAULT_SECURITY_COOKIE 0xBB40E64Eu
#endif
uintptr_t __security_cookie = DEFAULT_SECURITY_COOKIE;
uintptr_t __security_cookie_complement = ~static_cast<uintptr_t>(DEFAULT_SECURITY_COOKIE);

void __cdecl __security_init_cookie(void) {
  if (__security_cookie != DEFAULT_SECURITY_COOKIE) {
    return;
  }
  FILETIME time = {};
  GetSystemTimeAsFileTime(&time);
  uintptr_t cookie = (static_cast<uintptr_t>(time.dwHighDateTime) << 16) ^ time.dwLowDateTime;
  cookie ^= GetCurrentThreadId();
  cookie ^= GetCurrentProcessId();
  LARGE_INTEGER counter = {};
  QueryPerformanceCounter(&counter);
  cookie ^= static_cast<uintptr_t>(counter.QuadPart) ^ (static_cast<uintptr_t>(counter.QuadPart >> 16) << 8);
  cookie ^= reinterpret_cast<uintptr_t>(&cookie);
#ifdef _WIN64
  cookie &= 0x0000FFFFFFFFFFFFull;
#endif
  if (cookie == DEFAULT_SECURITY_COOKIE || cookie == 0) {
    cookie = DEFAULT_SECURITY_COOKIE + 1;
  }
  __security_cookie = cookie;
  __security_cookie_complement = ~cookie;
}

// A smashed stack ends the process at once, with no handler run.
__declspec(noreturn) static void report_gs_failure() {
  __fastfail(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE);
}

// x86 passes the cookie in ECX (__fastcall), x86_64 in RCX.
#ifdef _M_IX86
void __fastcall __security_check_cookie(uintptr_t cookie) {
#else
void __cdecl __security_check_cookie(uintptr_t cookie) {
#endif
  if (cookie != __security_cookie) {
    report_gs_failure();
  }
}
}
