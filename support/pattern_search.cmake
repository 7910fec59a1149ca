#wklib_pattern : the pattern search over the regular - expression engine(portable core).
add_library(wklib_pattern STATIC pattern_search.cpp plain_search.cpp)
    target_link_libraries(wklib_pattern PUBLIC wklib_core szrex tamari_options)
