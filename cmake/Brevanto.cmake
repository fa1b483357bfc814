# Shared helpers: every folder is one static library made of the sources it holds,
# every test folder one GoogleTest executable registered test by test with CTest.

# brevanto_folder_library(<target> [DEPS <targets>...] [PCH <headers>...])
function(brevanto_folder_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;PCH" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources INCLUDE REGEX "\\.(cpp|c)$")
  if(NOT sources)
    # A folder that holds no code yet still links, so its users can be written first.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    return()
  endif()
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${target} STATIC ${sources} ${headers})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  if(ARG_PCH)
    target_precompile_headers(${target} PRIVATE ${ARG_PCH})
  endif()
endfunction()

# brevanto_test_folder(<target> DEPS <targets>... [RUN_UNDER <wrapper>])
# RUN_UNDER: a script that every test (and the listing of the tests) runs under.
function(brevanto_test_folder target)
  cmake_parse_arguments(ARG "" "RUN_UNDER" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_executable(${target} ${sources} ${headers})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} brevanto_test_main GTest::gtest GTest::gmock)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${target} PRIVATE
    BREVANTO_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
    BREVANTO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <QtCore>)
  if(ARG_RUN_UNDER)
    set_property(TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR ${ARG_RUN_UNDER})
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
