# Included by ctest (through TEST_INCLUDE_FILES, see varnox_add_suites in
# tests/CMakeLists.txt): registers one test per GoogleTest suite of a test
# program, which runs that suite's tests together in a process of its own. A
# GL test costs a fraction of a millisecond; starting a process that opens the
# headless display costs a quarter of a second, so a process per test would
# spend nearly all its time starting.
#
# Set before inclusion:
#   VARNOX_SUITE_PROGRAM      the test program
#   VARNOX_SUITE_MATCH        regular expression a suite's name must match
#   VARNOX_SUITE_LABELS       the tests' labels
#   VARNOX_SUITE_ENVIRONMENT  their ENVIRONMENT_MODIFICATION ("" for none)
#   VARNOX_SUITE_EMULATOR     what runs the program in a cross build (Wine for
#                             Windows programs built on Linux); "" for none

get_filename_component(program_name "${VARNOX_SUITE_PROGRAM}" NAME)
if(NOT EXISTS "${VARNOX_SUITE_PROGRAM}")
  # A program that is not built yet: a test that says so by failing.
  add_test("${program_name}_NOT_BUILT" "${program_name}_NOT_BUILT")
  return()
endif()

set(run ${VARNOX_SUITE_EMULATOR} "${VARNOX_SUITE_PROGRAM}")
execute_process(COMMAND ${run} --gtest_list_tests
  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  add_test("${program_name}_CANNOT_LIST_TESTS" ${run} --gtest_list_tests)
  return()
endif()
# A Windows program's lines end in "\r\n".
string(REPLACE "\r" "" listing "${listing}")

# Suites are the lines that do not start with a space: "Suite."
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^([A-Za-z0-9_]+)\\.")
    continue()
  endif()
  set(suite "${CMAKE_MATCH_1}")
  if(NOT suite MATCHES "${VARNOX_SUITE_MATCH}")
    continue()
  endif()
  add_test("${suite}" ${run} "--gtest_filter=${suite}.*")
  set_tests_properties("${suite}" PROPERTIES LABELS "${VARNOX_SUITE_LABELS}")
  if(NOT VARNOX_SUITE_ENVIRONMENT STREQUAL "")
    set_tests_properties("${suite}" PROPERTIES ENVIRONMENT_MODIFICATION "${VARNOX_SUITE_ENVIRONMENT}")
  endif()
endforeach()
