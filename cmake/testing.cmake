# GoogleTest from Debian's sources, built once per build tree.
if(TAMARI_FUZZ)
  # tamari_add_fuzzer(name SOURCES a.cpp ... [LIBS lib ...] [SECONDS s])
  # A libFuzzer target that CTest runs for the given time (60 s by default) on a
  # corpus directory in the build tree; a crash, leak or sanitizer report fails it.
  function(tamari_add_fuzzer name)
    cmake_parse_arguments(F "" "SECONDS" "SOURCES;LIBS" ${ARGN})
    if(NOT F_SECONDS)
      set(F_SECONDS 60)
    endif()
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS} tamari_options)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    file(MAKE_DIRECTORY ${corpus})
    add_test(NAME ${name}
      COMMAND ${name} -max_total_time=${F_SECONDS} -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/ ${corpus}
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    math(EXPR limit "${F_SECONDS} + 120")
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${limit})
  endfunction()
  # Unit tests are not built here; the native and Windows builds run them.
  function(tamari_add_test)
  endfunction()
  return()
endif()
function(tamari_add_fuzzer)
endfunction()

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(NOT TAMARI_WINDOWS)
  # Link the test framework against the same sanitizer runtime as our code.
  target_compile_options(gtest PRIVATE -fsanitize=address,undefined)
  target_compile_options(gtest_main PRIVATE -fsanitize=address,undefined)
endif()

# tamari_add_test(name SOURCES a.cpp ... [LIBS lib ...] [RESOURCES x.rc]
#                 [LABELS l ...] [TIMEOUT s] [FIXTURES f ...] [NO_MAIN])
# One test program is one CTest test: under Wine every process start costs time,
# so a program runs all its cases in one go and prints each case's result.
function(tamari_add_test name)
  cmake_parse_arguments(T "NO_MAIN" "TIMEOUT" "SOURCES;LIBS;RESOURCES;LABELS;FIXTURES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_RESOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tamari_options)
  if(T_NO_MAIN)
    target_link_libraries(${name} PRIVATE gtest)
  else()
    target_link_libraries(${name} PRIVATE gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    TAMARI_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TAMARI_TEST_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(TAMARI_WINDOWS)
    target_link_options(${name} PRIVATE -mconsole)
    set(kind wine)
  else()
    set(kind native)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${kind};${T_LABELS}" TIMEOUT ${T_TIMEOUT})
  if(T_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES}")
  endif()
endfunction()
