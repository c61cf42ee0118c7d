# Sanitizer and fuzzing builds (clang, Linux only). Every target of the build is
# instrumented the same way, so the plugin, the host stand-in and the tests share one
# runtime.
#
#   QUORVANE_SANITIZE=address  AddressSanitizer + UndefinedBehaviorSanitizer
#   QUORVANE_SANITIZE=thread   ThreadSanitizer
#   QUORVANE_FUZZ=ON           libFuzzer targets in fuzz/ (ASan + UBSan)
#
# Any finding stops the process: nothing is reported and then carried on from.
set(QUORVANE_SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' or 'thread'")
set_property(CACHE QUORVANE_SANITIZE PROPERTY STRINGS "" address thread)

if(NOT QUORVANE_SANITIZE AND NOT QUORVANE_FUZZ)
  return()
endif()
if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "QUORVANE_SANITIZE and QUORVANE_FUZZ need clang on Linux "
                      "(-DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14)")
endif()

set(quorvane_sanitizer_common -fno-omit-frame-pointer -fno-sanitize-recover=all -g)

if(QUORVANE_FUZZ)
  if(QUORVANE_SANITIZE)
    message(FATAL_ERROR "QUORVANE_FUZZ brings its own sanitizers; leave QUORVANE_SANITIZE empty")
  endif()
  # The fuzz targets link -fsanitize=fuzzer themselves (fuzz/CMakeLists.txt).
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined ${quorvane_sanitizer_common})
  add_link_options(-fsanitize=address,undefined)
elseif(QUORVANE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined ${quorvane_sanitizer_common})
  # The host stand-in dlopen()s the plugin: both link the one shared ASan runtime, which
  # the plugin's --no-undefined link also needs. The runtime sits outside the loader's
  # search path, so it is found through the run path.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.asan-x86_64.so
                  OUTPUT_VARIABLE quorvane_asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${quorvane_asan_runtime}")
    message(FATAL_ERROR "shared ASan runtime not found (${quorvane_asan_runtime}); "
                        "install libclang-rt-14-dev")
  endif()
  get_filename_component(quorvane_asan_runtime_dir "${quorvane_asan_runtime}" DIRECTORY)
  add_link_options(-fsanitize=address,undefined -shared-libsan
                   "LINKER:-rpath,${quorvane_asan_runtime_dir}")
elseif(QUORVANE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread ${quorvane_sanitizer_common})
  add_link_options(-fsanitize=thread)
else()
  message(FATAL_ERROR "QUORVANE_SANITIZE must be empty, 'address' or 'thread', "
                      "got '${QUORVANE_SANITIZE}'")
endif()
