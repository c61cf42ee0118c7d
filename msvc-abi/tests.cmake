# The MSVC-ABI build's own checks, beside the export check every build has. They read
# the built files or run the compiler, so they pass or fail alike for x86 and x86_64.

# The plugin, the host stand-in and the tests take the C and C++ runtime from the
# shared Visual C++ DLLs and import nothing else but system DLLs.
find_program(QUORVANE_READOBJ NAMES llvm-readobj-14 llvm-readobj REQUIRED)
add_test(NAME msvc_abi.imports
         COMMAND ${Python3_EXECUTABLE} ${QUORVANE_MSVC_ABI_DIR}/check_imports.py
                 --readobj ${QUORVANE_READOBJ} $<TARGET_FILE:QuorvaneIR> $<TARGET_FILE:quorvane-host>)

# Every MSVC build must define _DISABLE_CONSTEXPR_MUTEX_CONSTRUCTOR; the guard file
# stops one that does not. Compiled here with this build's compiler and flags.
separate_arguments(QUORVANE_GUARD_FLAGS NATIVE_COMMAND
                   "--target=${CMAKE_CXX_COMPILER_TARGET} ${CMAKE_CXX_FLAGS} /MD /std:c++20")
add_test(NAME msvc_abi.mutex_guard
         COMMAND ${Python3_EXECUTABLE} ${QUORVANE_MSVC_ABI_DIR}/check_compile_guard.py
                 --macro _DISABLE_CONSTEXPR_MUTEX_CONSTRUCTOR
                 --source ${CMAKE_SOURCE_DIR}/src/platform/win32/msvc_runtime_guard.cpp
                 --object ${CMAKE_CURRENT_BINARY_DIR}/msvc_runtime_guard.obj
                 -- ${CMAKE_CXX_COMPILER} ${QUORVANE_GUARD_FLAGS})
set_tests_properties(msvc_abi.imports msvc_abi.mutex_guard PROPERTIES LABELS msvc-abi)
