# lumora_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [LABELS <labels...>]
#                 [ENVIRONMENT <VAR=value...>] [WRAPPER <command...>] [TIMEOUT <seconds>])
#
# One Qt Test executable per area. The label "pure" marks tests that need no
# network peer, display or session bus. Every test that does not load QML gets
# the label "headless" and belongs to the target lumora_headless_tests: the
# sanitizer pass builds that target alone and runs exactly those tests.
# WRAPPER runs the test through another command (for example a private network
# namespace for multicast tests).
if(NOT TARGET lumora_headless_tests)
  add_custom_target(lumora_headless_tests)
endif()

# True when the test links Qt Quick or QML directly or through one of its libraries.
function(lumora_test_loads_qml result)
  set(found FALSE)
  foreach(library IN LISTS ARGN)
    set(closure ${library})
    if(TARGET ${library})
      get_target_property(type ${library} TYPE)
      if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(linked ${library} LINK_LIBRARIES)
        list(APPEND closure ${linked})
      endif()
    endif()
    foreach(item IN LISTS closure)
      if(item MATCHES "^Qt6::(Quick|Qml|QuickTest)$")
        set(found TRUE)
      endif()
    endforeach()
  endforeach()
  set(${result} ${found} PARENT_SCOPE)
endfunction()

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
  lumora_test_loads_qml(loads_qml ${ARG_LIBRARIES})
  if(NOT loads_qml)
    list(APPEND ARG_LABELS headless)
    add_dependencies(lumora_headless_tests ${name})
  endif()
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
