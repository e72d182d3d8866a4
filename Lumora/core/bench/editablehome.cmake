find_package(benchmark REQUIRED)
add_executable(bench_editablehome ${CMAKE_CURRENT_LIST_DIR}/bench_editablehome.cpp)
target_include_directories(bench_editablehome PRIVATE ${PROJECT_SOURCE_DIR}/HueBridgeKit/bench)
target_link_libraries(bench_editablehome PRIVATE LumoraCore lumora_strict benchmark::benchmark)
