# The plugin driven through quorvane-host, as the host drives it.
# A plain path, not the imported target: CMake would run a target through the
# cross-compiling emulator.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(QUORVANE_TEST_EMULATOR "${CMAKE_CROSSCOMPILING_EMULATOR}")
else()
  set(QUORVANE_TEST_EMULATOR "")
endif()
set(QUORVANE_CLI_TEST_ARGS
  --host-exe $<TARGET_FILE:quorvane-host>
  --plugin $<TARGET_FILE:QuorvaneIR>
  "--emulator=${QUORVANE_TEST_EMULATOR}"
  "--ir-host=${QUORVANE_IR_HOST}")

# The local IR server's own tests; it runs on the development machine only. So does
# the check that the player's guide tells the release build's waits.
if(NOT WIN32)
  add_test(NAME ir_server.unit
           COMMAND ${Python3_EXECUTABLE} -m unittest discover -s ${CMAKE_SOURCE_DIR}/tools/ir-server
                   -t ${CMAKE_SOURCE_DIR}/tools/ir-server -p "test_*.py")
  add_test(NAME docs.wait_table
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/docs/check_wait_table.py)
endif()

add_test(NAME cli.offline
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/test_cli_offline.py
                 ${QUORVANE_CLI_TEST_ARGS})

# Only GetMethodTable is exported, undecorated.
if(QUORVANE_MSVC_ABI)
  # clang-cl's build on Linux: LLVM's reader of any PE file.
  find_program(QUORVANE_EXPORTS_TOOL NAMES llvm-readobj-14 llvm-readobj REQUIRED)
  set(QUORVANE_EXPORTS_KIND coff)
elseif(MSVC)
  get_filename_component(QUORVANE_MSVC_TOOLS "${CMAKE_LINKER}" DIRECTORY)
  find_program(QUORVANE_EXPORTS_TOOL NAMES dumpbin HINTS "${QUORVANE_MSVC_TOOLS}" REQUIRED)
  set(QUORVANE_EXPORTS_KIND dumpbin)
elseif(WIN32)
  find_program(QUORVANE_EXPORTS_TOOL NAMES ${QUORVANE_MINGW_TRIPLET}-objdump objdump REQUIRED)
  set(QUORVANE_EXPORTS_KIND pe)
else()
  find_program(QUORVANE_EXPORTS_TOOL NAMES nm REQUIRED)
  set(QUORVANE_EXPORTS_KIND elf)
endif()
add_test(NAME plugin.exports
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/check_exports.py
                 --tool ${QUORVANE_EXPORTS_TOOL} --plugin $<TARGET_FILE:QuorvaneIR>
                 --kind ${QUORVANE_EXPORTS_KIND})
set_tests_properties(plugin.exports PROPERTIES LABELS exports)

# Tests against the local IR server: it listens on the build's fixed port, with the
# certificates beside the CA file the plugin was built to trust.
if(QUORVANE_IR_CA_FILE)
  get_filename_component(QUORVANE_TEST_CERTS_DIR "${QUORVANE_IR_CA_FILE}" DIRECTORY)
  add_test(NAME e2e.certs
           COMMAND bash ${CMAKE_SOURCE_DIR}/tools/ir-server/make_certs.sh ${QUORVANE_TEST_CERTS_DIR})
  set_tests_properties(e2e.certs PROPERTIES FIXTURES_SETUP ir_certs RESOURCE_LOCK ir_certs_dir)
  set(QUORVANE_SERVER_FIXTURES ir_certs)

  if(WIN32)
    # Wine trusts only the system store: add the throw-away CA for the run.
    add_test(NAME e2e.trust_ca
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/system_ca.sh install ${QUORVANE_IR_CA_FILE})
    add_test(NAME e2e.untrust_ca
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/system_ca.sh remove ${QUORVANE_IR_CA_FILE})
    set_tests_properties(e2e.trust_ca PROPERTIES FIXTURES_SETUP system_ca FIXTURES_REQUIRED ir_certs)
    set_tests_properties(e2e.untrust_ca PROPERTIES FIXTURES_CLEANUP system_ca)
    list(APPEND QUORVANE_SERVER_FIXTURES system_ca)
  endif()

  # The fault suite's stall and trickle cells wait out the build's time-outs.
  set(QUORVANE_E2E_explain_ARGS --receive-timeout-ms=${QUORVANE_RECEIVE_TIMEOUT_MS}
                                --response-timeout-ms=${QUORVANE_RESPONSE_TIMEOUT_MS})
  set(QUORVANE_E2E_faults_ARGS ${QUORVANE_E2E_explain_ARGS}
                               --body-timeout-ms=${QUORVANE_BODY_TIMEOUT_MS})

  # load: every slot from eight threads at once. Under Wine the same load also drives
  # the Windows log (one file appended to by many threads, rotated while others write)
  # and WinHTTP from eight threads.
  # session: a game's evening in one process and one thread: what a call takes of the
  # system and keeps shows as growth between the warm-up and the end.
  set(QUORVANE_E2E_load_TIMEOUT 1800)
  set(QUORVANE_E2E_session_TIMEOUT 1800)
  set(QUORVANE_E2E_SUITES login submit board ghost explain faults load session check)

  # same_document: the same play submitted through this build and through the Linux
  # build: the two score documents must match byte for byte. Without that build the
  # test is skipped and says why.
  set(QUORVANE_E2E_LINUX_BUILD "" CACHE PATH
      "A Linux build whose score documents this build's must match (its build directory)")
  if(QUORVANE_E2E_LINUX_BUILD)
    list(APPEND QUORVANE_E2E_SUITES same_document)
    set(QUORVANE_E2E_same_document_ARGS --reference=${QUORVANE_E2E_LINUX_BUILD}/e2e-build.json)
  endif()

  foreach(suite ${QUORVANE_E2E_SUITES})
    add_test(NAME e2e.${suite}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/test_${suite}.py
                     ${QUORVANE_CLI_TEST_ARGS} --ir-port=${QUORVANE_IR_PORT}
                     --ca-file=${QUORVANE_IR_CA_FILE} ${QUORVANE_E2E_${suite}_ARGS})
    if(NOT DEFINED QUORVANE_E2E_${suite}_TIMEOUT)
      set(QUORVANE_E2E_${suite}_TIMEOUT 600)
    endif()
    set_tests_properties(e2e.${suite} PROPERTIES FIXTURES_REQUIRED "${QUORVANE_SERVER_FIXTURES}"
                         RESOURCE_LOCK ir_server_port TIMEOUT ${QUORVANE_E2E_${suite}_TIMEOUT})
  endforeach()
  if(TEST e2e.same_document)
    set_tests_properties(e2e.same_document PROPERTIES SKIP_RETURN_CODE 77)
  endif()

  # What another build's tests need to drive this build (test_same_document.py).
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/e2e-build.json CONTENT
"{\"host_exe\": \"$<TARGET_FILE:quorvane-host>\", \"plugin\": \"$<TARGET_FILE:QuorvaneIR>\",
 \"emulator\": \"${QUORVANE_TEST_EMULATOR}\", \"ir_port\": ${QUORVANE_IR_PORT},
 \"ca_file\": \"${QUORVANE_IR_CA_FILE}\"}
")
endif()
