// The entry point of a DLL (the linker's default for /DLL): on load it sets the /GS
// cookie and runs the module's initializers, then calls DllMain; on unload it runs the
// module's atexit list (static destructors, last constructed first) after DllMain.
// atexit in a DLL registers in that module-local list (dll_atexit.cpp), as in Microsoft's runtime, so a
// plugin's statics are destroyed when the plugin is unloaded, not at process exit.
#include <windows.h>

#include <corecrt_startup.h>

#include "sections.h"

extern "C" {
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID);
void __cdecl __msvc_abi_type_info_release();
// Defined in dll_atexit.cpp.
extern _onexit_table_t __msvc_abi_module_atexit_table;
}

namespace {
_onexit_table_t& module_atexit_table = __msvc_abi_module_atexit_table;

bool initialize() {
  __security_init_cookie();
  if (_initialize_onexit_table(&module_atexit_table) != 0) {
    return false;
  }
  if (_initterm_e(__xi_a, __xi_z) != 0) {
    return false;
  }
  _initterm(__xc_a, __xc_z);
  return true;
}

void uninitialize() {
  _execute_onexit_table(&module_atexit_table);
  __msvc_abi_type_info_release();
}
}  // namespace

extern "C" BOOL WINAPI _DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH && !initialize()) {
    return FALSE;
  }
  BOOL result = DllMain(instance, reason, reserved);
  if (reason == DLL_PROCESS_ATTACH && !result) {
    uninitialize();
  } else if (reason == DLL_PROCESS_DETACH) {
    uninitialize();
  }
  return result;
}
