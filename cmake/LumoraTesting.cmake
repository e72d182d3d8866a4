# lumora_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [LABELS <labels...>]
#                 [ENVIRONMENT <VAR=value...>] [WRAPPER <command...>] [TIMEOUT <seconds>])
#
# One Qt Test executable per area. The label "pure" marks tests that need no
# network peer, display or session bus; the sanitizer pass runs exactly those.
# WRAPPER runs the test through another command (for example a private network
# namespace for multicast tests).
function(lumora_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBRARIES;LABELS;ENVIRONMENT;WRAPPER" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test lumora_strict ${ARG_LIBRARIES})
  target_compile_definitions(${name} PRIVATE
    LUMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    LUMORA_FIXTURE="${PROJECT_SOURCE_DIR}/fixtures/bridge-resources-bsb002.json")
  add_test(NAME ${name} COMMAND ${ARG_WRAPPER} $<TARGET_FILE:${name}>)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  if(ARG_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
endfunction()

# lumora_add_fuzzer(<name> SOURCES <files...> LIBRARIES <targets...>)
#
# A libFuzzer target, built only with LUMORA_FUZZ (clang). Every fuzzer lands in
# <build>/fuzz-bin and belongs to the umbrella target lumora_fuzzers, which
# scripts/fuzz builds and runs for a bounded time.
if(LUMORA_FUZZ AND NOT TARGET lumora_fuzzers)
  add_custom_target(lumora_fuzzers)
endif()
function(lumora_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE lumora_strict ${ARG_LIBRARIES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-bin)
  add_dependencies(lumora_fuzzers ${name})
endfunction()
