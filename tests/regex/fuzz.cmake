# Fuzzing of the pattern search and the engine under it; the inputs it once broke
# are cases of the ordinary tests.
if(TAMARI_FUZZ)
  tamari_add_fuzzer(regex_pattern_search_fuzz
    SOURCES fuzz_pattern_search.cpp reference_matcher.cpp
    LIBS wklib_pattern szrex wklib_core)
  target_compile_definitions(regex_pattern_search_fuzz PRIVATE
    TAMARI_FUZZ_DICT="${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pattern_search.dict")
  # Seeds: the installer's own patterns and the kind of text it searches.
  file(GLOB seeds ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_seeds/*)
  file(COPY ${seeds} DESTINATION ${CMAKE_CURRENT_BINARY_DIR}/regex_pattern_search_fuzz_corpus)
endif()
