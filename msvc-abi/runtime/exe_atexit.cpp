// atexit for a program: ucrtbase's list, which exit runs. This file sees no C runtime
// header, which declares atexit as imported from ucrtbase.
extern "C" {
typedef void(__cdecl* _PVFV)(void);
__declspec(dllimport) int __cdecl _crt_atexit(_PVFV);

int __cdecl atexit(_PVFV function) { return _crt_atexit(function); }
}
