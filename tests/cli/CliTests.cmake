# The plugin driven through quorvane-host, as the host drives it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(QUORVANE_TEST_EMULATOR "${CMAKE_CROSSCOMPILING_EMULATOR}")
else()
  set(QUORVANE_TEST_EMULATOR "")
endif()
set(QUORVANE_CLI_TEST_ARGS
  --host-exe $<TARGET_FILE:quorvane-host>
  --plugin $<TARGET_FILE:QuorvaneIR>
  --emulator "${QUORVANE_TEST_EMULATOR}"
  --ir-host "${QUORVANE_IR_HOST}")

add_test(NAME cli.offline
         COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tests/e2e/test_cli_offline.py
                 ${QUORVANE_CLI_TEST_ARGS})

# Only GetMethodTable is exported, undecorated.
if(WIN32)
  find_program(QUORVANE_OBJDUMP NAMES i686-w64-mingw32-objdump REQUIRED)
else()
  find_program(QUORVANE_OBJDUMP NAMES nm REQUIRED)
endif()
add_test(NAME plugin.exports
         COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tests/e2e/check_exports.py
                 --tool ${QUORVANE_OBJDUMP} --plugin $<TARGET_FILE:QuorvaneIR>
                 --kind $<IF:$<BOOL:${WIN32}>,pe,elf>)
