# The unit tests of the core that run on every system (the Windows build runs
# them under Wine). Left out: whatever needs pseudo-terminals, the simulator,
# libmodbus, child processes or POSIX signals and permissions; those run in
# the Linux build, and tools/windows-e2e.sh covers the line and the files on
# Windows end to end.
set(KVL_POSIX_ONLY_TESTS
    config/config_location_test.cpp      # file permissions, another user
    config/configuration_test.cpp        # a writer killed part-way
    graduation/report_print_test.cpp     # a browser started as a child process
    graduation/run_data_test.cpp         # a writer killed, file size limits
    graduation/write_journal_test.cpp    # a writer killed part-way
    imitation/imitation_link_test.cpp    # libmodbus over ptys
    link/independent_peers_test.cpp      # libmodbus, pymodbus, mbpoll over ptys
    link/modbus_transactions_test.cpp    # scripted peers over ptys
    link/poll_worker_test.cpp            # the simulator over ptys
    link/serial_port_test.cpp            # ptys
    text/text_file_test.cpp)             # a writer killed, file size limits

# GoogleTest from the sources Debian ships (libgtest-dev), built for the target.
set(KVL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for a cross build")
if(NOT TARGET GTest::gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KVL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

add_library(kvl_testsupport STATIC support/capture.cpp)
target_include_directories(kvl_testsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kvl_testsupport PUBLIC kvl_core GTest::gtest)

# One executable per folder, one CTest test per executable: each start of a
# program under Wine costs a good part of a second.
function(kvl_portable_suite name folder)
  file(GLOB _srcs RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  list(REMOVE_ITEM _srcs ${KVL_POSIX_ONLY_TESTS})
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE KVL_SOURCE_DIR_PATH="${PROJECT_SOURCE_DIR}"
                                             KVL_BUILD_DIR_PATH="${PROJECT_BINARY_DIR}")
  target_link_libraries(${name} PRIVATE ${ARGN} kvl_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  target_precompile_headers(${name} PRIVATE <gmock/gmock.h> <gtest/gtest.h> <map> <string> <vector>)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

kvl_portable_suite(test_text text kvl_text)
kvl_portable_suite(test_platform platform kvl_text)
kvl_portable_suite(test_link link kvl_link)
kvl_portable_suite(test_detector detector kvl_detector)
kvl_portable_suite(test_commands commands kvl_commands)
kvl_portable_suite(test_settings_files settings_files kvl_settings_files)
kvl_portable_suite(test_imitation imitation kvl_imitation)
kvl_portable_suite(test_graph graph kvl_graph)
kvl_portable_suite(test_config config kvl_config)
kvl_portable_suite(test_graduation graduation kvl_graduation kvl_sim)
