# For the Windows cross-builds' toolchain files: header-only packages of the build
# machine (nlohmann_json) without the build machine's C library headers.
# Debian's nlohmann_json package config exports /usr/include as its include
# directory, and -isystem /usr/include would put glibc's headers in front of
# the Windows C runtime's. The build tree gets a small prefix instead whose include/ holds only
# nlohmann/; the package config is reached through it, so it computes that prefix.
if(NOT CMAKE_IN_TRY_COMPILE AND CMAKE_BINARY_DIR AND EXISTS /usr/share/cmake/nlohmann_json
   AND EXISTS /usr/include/nlohmann)
  set(QUORVANE_HOST_HEADERS_PREFIX "${CMAKE_BINARY_DIR}/third_party/host-headers")
  file(MAKE_DIRECTORY "${QUORVANE_HOST_HEADERS_PREFIX}/include" "${QUORVANE_HOST_HEADERS_PREFIX}/share/cmake")
  if(NOT EXISTS "${QUORVANE_HOST_HEADERS_PREFIX}/include/nlohmann")
    file(CREATE_LINK /usr/include/nlohmann "${QUORVANE_HOST_HEADERS_PREFIX}/include/nlohmann" SYMBOLIC)
  endif()
  if(NOT EXISTS "${QUORVANE_HOST_HEADERS_PREFIX}/share/cmake/nlohmann_json")
    file(CREATE_LINK /usr/share/cmake/nlohmann_json
         "${QUORVANE_HOST_HEADERS_PREFIX}/share/cmake/nlohmann_json" SYMBOLIC)
  endif()
  set(nlohmann_json_DIR "${QUORVANE_HOST_HEADERS_PREFIX}/share/cmake/nlohmann_json" CACHE PATH
      "nlohmann_json package config, seen through a prefix that holds only its headers")
endif()

