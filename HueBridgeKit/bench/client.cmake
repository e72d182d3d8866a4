find_package(benchmark REQUIRED)
add_executable(bench_client ${CMAKE_CURRENT_LIST_DIR}/bench_client.cpp)
target_link_libraries(bench_client PRIVATE HueBridgeKit lumora_strict benchmark::benchmark)
# The simulator runs as its own process so that the CPU time measured is the client's.
if(TARGET lumora-bridge-sim OR EXISTS ${PROJECT_SOURCE_DIR}/tools/bridge-sim/CMakeLists.txt)
  target_compile_definitions(bench_client PRIVATE LUMORA_BRIDGE_SIM="$<TARGET_FILE:lumora-bridge-sim>")
  add_dependencies(bench_client lumora-bridge-sim)
endif()
