// Small pieces the compiler and the Universal CRT headers expect from Microsoft's
// static runtime.
#include <corecrt_startup.h>

extern "C" {
// Referenced by every object that uses floating point; its presence is the signal.
int _fltused = 0x9875;

int __cdecl at_quick_exit(void(__cdecl* function)(void)) { return _crt_at_quick_exit(function); }
}
