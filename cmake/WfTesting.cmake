find_package(GTest REQUIRED)
include(GoogleTest)

# wf_add_tests(<target> SOURCES <files...> LIBS <libraries...>)
# One GoogleTest program per subsystem; every test case becomes a ctest test.
function(wf_add_tests target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE wf_build_options ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "WF_TEST_TMPDIR=${CMAKE_CURRENT_BINARY_DIR}")
endfunction()
