find_package(benchmark REQUIRED)
add_executable(bench_discovery ${CMAKE_CURRENT_LIST_DIR}/bench_discovery.cpp)
target_link_libraries(bench_discovery PRIVATE HueBridgeKit MdnsResponder lumora_strict benchmark::benchmark)
