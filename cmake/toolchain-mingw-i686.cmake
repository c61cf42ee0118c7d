# Cross-build for 32-bit Windows, the width players run, with Debian's MinGW-w64.
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake ...
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QUORVANE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
