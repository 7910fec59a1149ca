# zip_throughput: extraction speed on a generated 200 MB archive (see the source).
# Built in the native and the Windows builds (the Windows one runs under Wine);
# figures come from -DTAMARI_BENCH=ON (native) or a RelWithDebInfo Windows build:
#   build/bench/zip_throughput make /tmp/bench.zip
#   build/bench/zip_throughput run /tmp/bench.zip /tmp/zip-bench
#   tools/wine-run.sh build/win/zip_throughput.exe run 'Z:\tmp\bench.zip' 'C:\zip-bench'
include_guard(GLOBAL)
add_executable(zip_throughput ${CMAKE_CURRENT_LIST_DIR}/zip_throughput.cpp)
set_target_properties(zip_throughput PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_libraries(zip_throughput PRIVATE unzip_core zip_test_support tamari_options)
if(TAMARI_WINDOWS)
  target_link_libraries(zip_throughput PRIVATE archive)
endif()
