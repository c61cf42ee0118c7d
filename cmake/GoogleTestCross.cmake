# GoogleTest for the Windows cross-build, compiled from the sources Debian's
# googletest package ships in /usr/src/googletest (there are no MinGW binaries of
# it). Defines the same targets find_package(GTest) gives:
#   GTest::gtest  GTest::gtest_main  GTest::gmock  GTest::gmock_main
#
#   if(WIN32 AND NOT MSVC)
#     include(${CMAKE_SOURCE_DIR}/cmake/GoogleTestCross.cmake)
#   else()
#     find_package(GTest REQUIRED)
#   endif()
include_guard(GLOBAL)

set(QUORVANE_GOOGLETEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH
    "GoogleTest sources for the cross-build (Debian package googletest)")
if(NOT EXISTS "${QUORVANE_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest sources not found in ${QUORVANE_GOOGLETEST_SOURCE_DIR}; "
                      "install Debian's googletest package (scripts/install-deps)")
endif()

# The MinGW POSIX thread model gives std::mutex and pthreads, so GoogleTest stays
# thread-safe. Nothing of GoogleTest is installed, and its runtime is linked
# statically like everything else in the cross-build.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)

add_subdirectory("${QUORVANE_GOOGLETEST_SOURCE_DIR}"
                 "${CMAKE_BINARY_DIR}/third_party/googletest" EXCLUDE_FROM_ALL SYSTEM)

foreach(lib gtest gtest_main gmock gmock_main)
  # Third-party code: no project warnings, and none of its own made into errors.
  quorvane_no_warnings(${lib})
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()
