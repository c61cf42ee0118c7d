# Included right after project() by the MSVC-ABI toolchain: builds the static part of
# the Visual C++ runtime (msvc-abi/runtime) and links it into every program and DLL
# of the project, ahead of the import libraries.
add_subdirectory(${QUORVANE_MSVC_ABI_DIR}/runtime ${CMAKE_BINARY_DIR}/msvc-abi/runtime)
link_libraries(
  "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:msvc_abi_exe>"
  "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,SHARED_LIBRARY>:msvc_abi_dll>"
  "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,MODULE_LIBRARY>:msvc_abi_dll>")
