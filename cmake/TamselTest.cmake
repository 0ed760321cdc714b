# tamsel_add_test(NAME SOURCES... LIBS ...) : one Qt Test executable under ctest, always headless.
function(tamsel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  target_compile_definitions(${name} PRIVATE
    TEST_PROGRAM_DIR="${PROGRAM_DIR}" TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
