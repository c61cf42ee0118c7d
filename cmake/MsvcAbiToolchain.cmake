# The MSVC-ABI check: the Windows build compiled the way players' DLL is, against
# Microsoft's STL, with Microsoft's name decoration and calling conventions, linked to
# the Visual C++ runtime DLLs (/MD) - but with clang-cl and lld-link on Linux, and
# Wine's runtime underneath. toolchain-msvc-abi-x86.cmake and
# toolchain-msvc-abi-x86_64.cmake set QUORVANE_MSVC_ABI_ARCH, CMAKE_SYSTEM_PROCESSOR
# and the target triple, then include this.
#
# What it needs beside Debian's clang-14, lld-14, llvm-14, libwine-dev and wine:
#   QUORVANE_MSVC_STL_DIR  Microsoft's STL headers (stl/inc of github.com/microsoft/STL),
#                          by default ../shared/msvc-stl/inc beside the source tree.
# The runtime pieces neither provides (the vcruntime headers, the static part of the
# Visual C++ runtime, the import libraries) are in msvc-abi/.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)
set(QUORVANE_MSVC_ABI ON)

get_filename_component(QUORVANE_MSVC_ABI_DIR "${CMAKE_CURRENT_LIST_DIR}/../msvc-abi" ABSOLUTE)
if(NOT QUORVANE_MSVC_STL_DIR)
  if(DEFINED ENV{QUORVANE_MSVC_STL_DIR})
    set(QUORVANE_MSVC_STL_DIR "$ENV{QUORVANE_MSVC_STL_DIR}")
  else()
    get_filename_component(QUORVANE_MSVC_STL_DIR "${CMAKE_CURRENT_LIST_DIR}/../../shared/msvc-stl/inc" ABSOLUTE)
  endif()
endif()
set(QUORVANE_MSVC_STL_DIR "${QUORVANE_MSVC_STL_DIR}" CACHE PATH "Microsoft's STL headers (stl/inc)")
if(NOT EXISTS "${QUORVANE_MSVC_STL_DIR}/yvals_core.h")
  message(FATAL_ERROR "Microsoft's STL headers not found in '${QUORVANE_MSVC_STL_DIR}'; "
                      "set QUORVANE_MSVC_STL_DIR to the stl/inc folder of github.com/microsoft/STL")
endif()
set(QUORVANE_WINE_INCLUDE_DIR /usr/include/wine/wine)
if(NOT EXISTS "${QUORVANE_WINE_INCLUDE_DIR}/msvcrt/corecrt.h")
  message(FATAL_ERROR "Wine's C runtime headers not found in ${QUORVANE_WINE_INCLUDE_DIR}; "
                      "install Debian's libwine-dev (scripts/install-deps)")
endif()
# try_compile runs this file again in a scratch project; what it needs must survive.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVANE_MSVC_STL_DIR)

set(CMAKE_C_COMPILER clang-cl-14)
set(CMAKE_CXX_COMPILER clang-cl-14)
set(CMAKE_C_COMPILER_TARGET ${QUORVANE_MSVC_ABI_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${QUORVANE_MSVC_ABI_TRIPLE})
set(CMAKE_LINKER lld-link-14)
set(CMAKE_AR llvm-lib-14)
set(CMAKE_RC_COMPILER llvm-rc-14)
set(CMAKE_MT llvm-mt-14)

# Headers, first found first: the vcruntime headers and the few completions of Wine's
# C runtime headers (msvc-abi/include), Microsoft's STL, Wine's C runtime and Windows
# headers. /X: nothing from the environment (INCLUDE).
#   -fms-compatibility-version=19.34  the compiler version this STL revision expects
#   WINE_UNICODE_NATIVE               Wine's WCHAR is wchar_t, as in the Windows SDK
#   USE_COMPILER_EXCEPTIONS           Wine's <excpt.h> names the compiler's __try/__except
#                                     intrinsics (GetExceptionCode), as the SDK's does
#   _USE_STD_VECTOR_ALGORITHMS=0      the STL's vectorized algorithms live in the static
#                                     msvcprt.lib, which this build does not have
set(QUORVANE_MSVC_ABI_FLAGS
    "/X -fms-compatibility-version=19.34 -imsvc ${QUORVANE_MSVC_ABI_DIR}/include \
-imsvc ${QUORVANE_MSVC_STL_DIR} -imsvc ${QUORVANE_WINE_INCLUDE_DIR}/msvcrt \
-imsvc ${QUORVANE_WINE_INCLUDE_DIR}/windows /DWINE_UNICODE_NATIVE /DUSE_COMPILER_EXCEPTIONS /D_USE_STD_VECTOR_ALGORITHMS=0")
set(CMAKE_C_FLAGS_INIT "${QUORVANE_MSVC_ABI_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${QUORVANE_MSVC_ABI_FLAGS}")

# Link only what is named: the static runtime (added to every program and DLL by
# msvc-abi/project.cmake) and the import libraries of Wine's runtime and system DLLs,
# instead of the MSVC libraries the objects ask for by default. No manifest.
set(QUORVANE_MSVC_ABI_LIB_DIR "${CMAKE_BINARY_DIR}/msvc-abi/import-libs")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "/nodefaultlib /manifest:no /libpath:${QUORVANE_MSVC_ABI_LIB_DIR}")
endforeach()
# vcruntime140 first: Wine's ucrtbase also exports the C++ support functions
# (__CxxFrameHandler3, memcpy...), which MSVC programs import from vcruntime140.
set(QUORVANE_MSVC_ABI_LIBS "vcruntime140.lib ucrtbase.lib msvcp140.lib kernel32.lib ntdll.lib")
set(CMAKE_C_STANDARD_LIBRARIES "${QUORVANE_MSVC_ABI_LIBS}" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "${QUORVANE_MSVC_ABI_LIBS}" CACHE STRING "" FORCE)
# Checks compile but do not link: linking needs the static runtime, built by the project.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# So a check that a library links would always pass: FindThreads is told up front that
# there is no pthreads library, and settles on Windows threads.
foreach(check CMAKE_HAVE_LIBC_PTHREAD CMAKE_HAVE_PTHREADS_CREATE CMAKE_HAVE_PTHREAD_CREATE
              THREADS_HAVE_PTHREAD_ARG)
  set(${check} FALSE CACHE INTERNAL "No pthreads under the MSVC ABI")
endforeach()

# Made again when the script that makes them (and so the list of DLLs) changes.
set(QUORVANE_MSVC_ABI_LIB_SCRIPT "${QUORVANE_MSVC_ABI_DIR}/make_import_libs.py")
set(QUORVANE_MSVC_ABI_LIB_STAMP "${QUORVANE_MSVC_ABI_LIB_DIR}/made")
if(NOT CMAKE_IN_TRY_COMPILE AND (NOT EXISTS "${QUORVANE_MSVC_ABI_LIB_STAMP}" OR
   "${QUORVANE_MSVC_ABI_LIB_SCRIPT}" IS_NEWER_THAN "${QUORVANE_MSVC_ABI_LIB_STAMP}"))
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} ${QUORVANE_MSVC_ABI_LIB_SCRIPT}
            --arch ${QUORVANE_MSVC_ABI_ARCH} --out ${QUORVANE_MSVC_ABI_LIB_DIR}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not make the import libraries from Wine's DLLs")
  endif()
  file(TOUCH "${QUORVANE_MSVC_ABI_LIB_STAMP}")
endif()

# Builds the static runtime and links it into every program and DLL.
set(CMAKE_PROJECT_QuorvaneIR_INCLUDE "${QUORVANE_MSVC_ABI_DIR}/project.cmake")

include(${CMAKE_CURRENT_LIST_DIR}/HostHeaderPrefix.cmake)

# ctest and add_test run the cross-built programs through Wine (64-bit programs only:
# 32-bit ones are built and checked, not run, on machines without 32-bit support).
get_filename_component(QUORVANE_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${QUORVANE_WINE_RUN}")
