# On Linux the dependencies are Debian's packages. The Windows cross-builds (MinGW-w64,
# and the MSVC-ABI check with clang-cl) compile SQLite from Debian's source package
# (scripts/install-deps unpacks it) and GoogleTest from the sources Debian ships in
# /usr/src/googletest. The MSVC build on Windows takes them all from vcpkg, through
# vcpkg.json.
find_package(nlohmann_json 3 REQUIRED)
find_package(Threads REQUIRED)

if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(QUORVANE_SQLITE_SOURCE_DIR "${CMAKE_SOURCE_DIR}/build/third_party/sqlite" CACHE PATH
      "Directory holding sqlite3.c and sqlite3.h from Debian's sqlite3 source package")
  if(NOT EXISTS "${QUORVANE_SQLITE_SOURCE_DIR}/sqlite3.c")
    message(FATAL_ERROR "sqlite3.c not found in ${QUORVANE_SQLITE_SOURCE_DIR}; run scripts/install-deps")
  endif()
  add_library(quorvane_sqlite3 STATIC "${QUORVANE_SQLITE_SOURCE_DIR}/sqlite3.c")
  target_include_directories(quorvane_sqlite3 SYSTEM PUBLIC "${QUORVANE_SQLITE_SOURCE_DIR}")
  target_compile_definitions(quorvane_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
  quorvane_no_warnings(quorvane_sqlite3)
  add_library(SQLite::SQLite3 ALIAS quorvane_sqlite3)
else()
  find_package(SQLite3 REQUIRED)
endif()
if(NOT WIN32)
  find_package(CURL REQUIRED)
  find_package(OpenSSL REQUIRED)
endif()
