# rb_test(<name> LABELS <subsystem> [net] [gui] SOURCES ... LIBS ...
#         [TIMEOUT s] [RESOURCE_LOCK name])
# One GoogleTest executable; every test case in it carries the labels (and
# the resource lock, for tests that must not run beside others holding it).
function(rb_test name)
  cmake_parse_arguments(T "" "TIMEOUT;RESOURCE_LOCK" "LABELS;SOURCES;LIBS" ${ARGN})
  if(NOT RB_WITH_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
  # The discovery script splits a list-valued property, so only the first
  # label would stick; set the whole list once the tests are known.
  set(label_script "${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake")
  file(WRITE "${label_script}"
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${T_LABELS}\")\n"
    "endif()\n")
  if(T_RESOURCE_LOCK)
    file(APPEND "${label_script}"
      "if(${name}_TESTS)\n"
      "  set_tests_properties(\${${name}_TESTS} PROPERTIES RESOURCE_LOCK \"${T_RESOURCE_LOCK}\")\n"
      "endif()\n")
  endif()
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${label_script}")
endfunction()
