# GoogleTest for the Windows cross-builds, compiled from the sources Debian's
# googletest package ships in /usr/src/googletest (there are no MinGW or MSVC
# binaries of it). Defines the same targets find_package(GTest) gives:
#   GTest::gtest  GTest::gtest_main  GTest::gmock  GTest::gmock_main
#
#   if(WIN32 AND CMAKE_CROSSCOMPILING)
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
# thread-safe. Nothing of GoogleTest is installed. Under MinGW its runtime is linked
# statically like everything else in the cross-build; under the MSVC ABI it uses the
# shared runtime DLLs (/MD) like the rest of the build (GoogleTest would otherwise
# switch itself to /MT).
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
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
