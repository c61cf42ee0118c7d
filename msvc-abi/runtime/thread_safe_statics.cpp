// Thread-safe initialization of function-local statics, as the compiler expects it
// under the Microsoft ABI. Each static has a guard: 0 before, -1 while one thread runs
// its initializer, then the global epoch at which it finished. A thread skips the
// call into here while the guard is at most the epoch it last saw (_Init_thread_epoch,
// one per thread).
#include <windows.h>

#include <climits>

namespace {
constexpr int uninitialized = 0;
constexpr int being_initialized = -1;

SRWLOCK lock = SRWLOCK_INIT;
CONDITION_VARIABLE finished = CONDITION_VARIABLE_INIT;
}  // namespace

extern "C" {
int _Init_global_epoch = INT_MIN;
__declspec(thread) int _Init_thread_epoch = INT_MIN;

void __cdecl _Init_thread_header(int* const guard) noexcept {
  AcquireSRWLockExclusive(&lock);
  if (*guard == uninitialized) {
    *guard = being_initialized;
  } else {
    while (*guard == being_initialized) {
      SleepConditionVariableSRW(&finished, &lock, INFINITE, 0);
      // The initializing thread threw: this one takes over.
      if (*guard == uninitialized) {
        *guard = being_initialized;
        ReleaseSRWLockExclusive(&lock);
        return;
      }
    }
    _Init_thread_epoch = _Init_global_epoch;
  }
  ReleaseSRWLockExclusive(&lock);
}

void __cdecl _Init_thread_footer(int* const guard) noexcept {
  AcquireSRWLockExclusive(&lock);
  ++_Init_global_epoch;
  *guard = _Init_global_epoch;
  _Init_thread_epoch = _Init_global_epoch;
  ReleaseSRWLockExclusive(&lock);
  WakeAllConditionVariable(&finished);
}

void __cdecl _Init_thread_abort(int* const guard) noexcept {
  AcquireSRWLockExclusive(&lock);
  *guard = uninitialized;
  ReleaseSRWLockExclusive(&lock);
  WakeAllConditionVariable(&finished);
}
}
