# Fuzzing of the pattern search and the engine under it, and the regression tests
# made from the inputs the fuzzer once broke.
if(TAMARI_FUZZ)
  tamari_add_fuzzer(regex_pattern_search_fuzz
    SOURCES fuzz_pattern_search.cpp reference_matcher.cpp
    LIBS wklib_pattern szrex wklib_core)
  target_compile_definitions(regex_pattern_search_fuzz PRIVATE
    TAMARI_FUZZ_DICT="${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pattern_search.dict")
  # Seeds: the installer's own patterns and the kind of text it searches.
  file(GLOB seeds ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_seeds/*)
  file(COPY ${seeds} DESTINATION ${CMAKE_CURRENT_BINARY_DIR}/regex_pattern_search_fuzz_corpus)
  return()
endif()

# A hang is a failure: the inputs here once ran for minutes.
tamari_add_test(regex_fuzz_regressions_test
  SOURCES fuzz_regressions_test.cpp
  LIBS wklib_pattern szrex wklib_core
  TIMEOUT 120)
