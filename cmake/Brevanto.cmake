# Shared helpers: every folder is one static library made of the sources it holds,
# every test folder one GoogleTest executable registered test by test with CTest.

# brevanto_folder_library(<target> [DEPS <targets>...] [PCH <headers>...])
function(brevanto_folder_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;PCH" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  if(ARG_PCH)
    target_precompile_headers(${target} PRIVATE ${ARG_PCH})
  endif()
endfunction()

# brevanto_test_folder(<target> DEPS <targets>...)
function(brevanto_test_folder target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} brevanto_test_main GTest::gtest GTest::gmock)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${target} PRIVATE
    BREVANTO_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
    BREVANTO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <QtCore>)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
