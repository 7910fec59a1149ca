# zip_throughput (never a test): natively and in the Windows build, for figures under Wine (README).
include_guard(GLOBAL)
add_executable(zip_throughput ${CMAKE_CURRENT_LIST_DIR}/zip_throughput.cpp)
set_target_properties(zip_throughput PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_libraries(zip_throughput PRIVATE unzip_core zip_test_support tamari_options)
if(TAMARI_WINDOWS)
  target_link_libraries(zip_throughput PRIVATE archive)
endif()
