# The MSVC-ABI check for 32-bit Windows, the players' target (see MsvcAbiToolchain.cmake).
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-msvc-abi-x86.cmake ...
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QUORVANE_MSVC_ABI_ARCH x86)
set(QUORVANE_MSVC_ABI_TRIPLE i686-pc-windows-msvc)
include(${CMAKE_CURRENT_LIST_DIR}/MsvcAbiToolchain.cmake)
