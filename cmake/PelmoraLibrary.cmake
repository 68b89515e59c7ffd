# One static library per source folder. Sources are picked up by glob so that adding a
# file needs no CMake edit; the folder's CMakeLists.txt only names its dependencies.
function(pelmora_library name folder)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  if(NOT sources)
    set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
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
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=en_US.UTF-8;LC_ALL=en_US.UTF-8"
      TIMEOUT 300)
  endforeach()
endfunction()
