# Nearly every file of the shell and its tests includes the same Qt widget
# headers; parsing them once per target instead of once per file saves about
# half of their build.
set(KVL_QT_PCH <QApplication> <QCheckBox> <QComboBox> <QDialog> <QLabel> <QLineEdit>
    <QPainter> <QPushButton> <QTimer> <QWidget> <map> <memory> <string> <vector>)

# Each core subsystem is one static library built from every source file of
# its folder, so a new file needs no CMake edit and a subsystem can be built
# (and its tests run) on its own.
function(kvl_subsystem name folder)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(_srcs)
    add_library(${name} STATIC ${_srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN} Threads::Threads)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN} Threads::Threads)
  endif()
endfunction()

# One GoogleTest executable per test folder; every TEST becomes one CTest test.
function(kvl_test_suite name folder)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  # Where tests find the built tools and the peer scripts.
  target_compile_definitions(${name} PRIVATE KVL_SOURCE_DIR_PATH="${PROJECT_SOURCE_DIR}"
                                             KVL_BUILD_DIR_PATH="${PROJECT_BINARY_DIR}")
  target_link_libraries(${name} PRIVATE ${ARGN} kvl_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  # GoogleTest's headers are most of a test file's parse.
  target_precompile_headers(${name} PRIVATE <gmock/gmock.h> <gtest/gtest.h> <map> <string> <vector>)
  # A suite whose tests run whole graduations sets KVL_TEST_TIMEOUT before it.
  set(_timeout 120)
  if(KVL_TEST_TIMEOUT)
    set(_timeout ${KVL_TEST_TIMEOUT})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT ${_timeout}
                       ENVIRONMENT "KVL_BUILD_DIR=${PROJECT_BINARY_DIR}")
endfunction()
