find_package(benchmark REQUIRED)
add_executable(bench_decode ${CMAKE_CURRENT_LIST_DIR}/bench_decode.cpp)
target_link_libraries(bench_decode PRIVATE HueBridgeKit lumora_strict benchmark::benchmark)
