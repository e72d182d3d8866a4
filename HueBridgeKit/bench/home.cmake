find_package(benchmark REQUIRED)
add_executable(bench_home ${CMAKE_CURRENT_LIST_DIR}/bench_home.cpp ${CMAKE_CURRENT_LIST_DIR}/BridgeProHome.h)
target_link_libraries(bench_home PRIVATE HueBridgeKit lumora_strict benchmark::benchmark)
