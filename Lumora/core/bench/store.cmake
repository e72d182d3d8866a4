if(TARGET BridgeSim)
  add_executable(bench_store ${CMAKE_CURRENT_LIST_DIR}/bench_store.cpp)
  target_link_libraries(bench_store PRIVATE LumoraCore BridgeSim lumora_strict)
endif()
