// atexit and _onexit for a DLL: they register in the module's own list, which
// _DllMainCRTStartup runs when the DLL is unloaded. This file sees no C runtime
// header, which declares both as imported from ucrtbase.
extern "C" {
typedef void(__cdecl* _PVFV)(void);
typedef int(__cdecl* _onexit_t)(void);
typedef struct _onexit_table_t {
  _PVFV* _first;
  _PVFV* _last;
  _PVFV* _end;
} _onexit_table_t;
__declspec(dllimport) int __cdecl _register_onexit_function(_onexit_table_t*, _onexit_t);

_onexit_table_t __msvc_abi_module_atexit_table;

int __cdecl atexit(_PVFV function) {
  return _register_onexit_function(&__msvc_abi_module_atexit_table, reinterpret_cast<_onexit_t>(function));
}

_onexit_t __cdecl _onexit(_onexit_t function) {
  return _register_onexit_function(&__msvc_abi_module_atexit_table, function) == 0 ? function : nullptr;
}
}
