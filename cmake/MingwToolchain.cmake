# The part of the MinGW-w64 cross-build that both widths share; the toolchain files
# toolchain-mingw-i686.cmake and toolchain-mingw-x86_64.cmake set
# QUORVANE_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR, then include this.
# Debian's MinGW-w64 with the POSIX thread model provides std::mutex and std::thread.
# Test executables run under Wine.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVANE_MINGW_TRIPLET}-windres)

# Every program and library carries its own copy of the MinGW runtime (libgcc,
# libstdc++, winpthread), so nothing needs libgcc_s_dw2-1.dll, libstdc++-6.dll or
# libwinpthread-1.dll beside it: the plugin loads on its own in the host, and the
# tests and the host stand-in run under Wine without a DLL path.
set(QUORVANE_MINGW_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${QUORVANE_MINGW_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${QUORVANE_MINGW_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${QUORVANE_MINGW_STATIC_RUNTIME}")

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# BOTH: header-only packages such as nlohmann_json come from the build machine's
# /usr/share/cmake.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

include(${CMAKE_CURRENT_LIST_DIR}/HostHeaderPrefix.cmake)

# ctest and add_test run the cross-built programs through Wine.
get_filename_component(QUORVANE_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${QUORVANE_WINE_RUN}")
