# The MSVC-ABI check for 64-bit Windows, run under 64-bit Wine (see
# MsvcAbiToolchain.cmake).
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-msvc-abi-x86_64.cmake ...
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QUORVANE_MSVC_ABI_ARCH x64)
set(QUORVANE_MSVC_ABI_TRIPLE x86_64-pc-windows-msvc)
include(${CMAKE_CURRENT_LIST_DIR}/MsvcAbiToolchain.cmake)
