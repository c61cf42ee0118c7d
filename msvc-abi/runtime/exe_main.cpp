// The entry point of a console program (the linker's default when main is defined):
// sets the /GS cookie, has ucrtbase parse the command line, runs the initializers,
// calls main and exits with its result. exit runs the atexit list, which for a
// program is ucrtbase's own (exe_atexit.cpp).
#include <corecrt_startup.h>
#include <stdlib.h>

#include "sections.h"

extern "C" {
int __cdecl main(int argc, char** argv, char** envp);
void __cdecl __msvc_abi_type_info_release();
}

extern "C" int mainCRTStartup() {
  __security_init_cookie();
  _set_app_type(_crt_console_app);
  if (_configure_narrow_argv(_crt_argv_unexpanded_arguments) != 0 || _initialize_narrow_environment() != 0) {
    _exit(255);
  }
  if (_initterm_e(__xi_a, __xi_z) != 0) {
    _exit(255);
  }
  _initterm(__xc_a, __xc_z);
  _crt_atexit(__msvc_abi_type_info_release);
  exit(main(*__p___argc(), *__p___argv(), _get_initial_narrow_environment()));
}
