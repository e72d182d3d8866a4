lumora_add_fuzzer(fuzz_eventstream SOURCES fuzz_eventstream.cpp LIBRARIES HueBridgeKit)

# clang 14 cannot emit the -fsanitize=function prologue for coroutine frames
# ("Cannot represent a difference across sections"), and the library's client
# is written as coroutines. The other undefined-behaviour checks stay on.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(HueBridgeKit PRIVATE -fno-sanitize=function)
endif()
