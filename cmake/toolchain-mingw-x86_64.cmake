# Cross-build for 64-bit Windows with Debian's MinGW-w64. It exists to run the
# Windows code under 64-bit Wine on machines that cannot execute 32-bit programs.
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake ...
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QUORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
