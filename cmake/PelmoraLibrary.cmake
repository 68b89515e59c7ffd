# One static library per source folder. Sources are picked up by glob so that adding a
# file needs no CMake edit; the folder's CMakeLists.txt only names its dependencies.
function(pelmora_library name folder)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  file(GLOB compiled CONFIGURE_DEPENDS ${folder}/*.cpp)
  # A folder without sources yet builds nothing: it only passes its dependencies on.
  if(NOT compiled)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()

# One Qt Test executable per tst_*.cpp file in a tests folder, linked to the given libraries.
# Widget tests run offscreen; every test runs with the en_US locale.
function(pelmora_tests folder)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${folder}/tst_*.cpp)

  foreach(test ${tests})
    get_filename_component(base ${test} NAME_WE)
    get_filename_component(dir ${folder} NAME)
    set(target ${dir}_${base})
    add_executable(${target} ${test})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${target} PRIVATE ${ARG_LINK} Qt6::Test)
    target_compile_definitions(${target} PRIVATE
      PELMORA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
      PELMORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
      PELMORA_PROGRAM_DIR="${PELMORA_PROGRAM_DIR}")
    add_test(NAME ${target} COMMAND ${target})
    set(environment QT_QPA_PLATFORM=offscreen LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 ${PELMORA_SANITIZER_ENVIRONMENT})
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 300)
  endforeach()
endfunction()

# What every test runs with in a sanitizer build: the leak report leaves out what
# tests/lsan.supp names, and a report fails the test. No strict_string_checks: the X11
# keyboard library hands strndup buffers that are sized but not terminated, as C allows.
if(PELMORA_SANITIZE)
  set(PELMORA_SANITIZER_ENVIRONMENT
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
else()
  set(PELMORA_SANITIZER_ENVIRONMENT "")
endif()
