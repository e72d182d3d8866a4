# The compile settings every Lumora target shares: strict warnings, Qt's strict
# string and keyword defines, and the optional sanitizers.
add_library(lumora_strict INTERFACE)
target_compile_options(lumora_strict INTERFACE -Wall -Wextra -Wpedantic)
if(LUMORA_WERROR)
  target_compile_options(lumora_strict INTERFACE -Werror)
endif()
target_compile_definitions(lumora_strict INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_KEYWORDS
  QT_NO_FOREACH
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER)

if(LUMORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(LUMORA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "LUMORA_FUZZ needs clang (CXX=clang++)")
  endif()
  # Instrument everything we build; only the fuzz targets link the fuzzer main.
  # clang 14 cannot emit the -fsanitize=function prologue for coroutine frames
  # ("Cannot represent a difference across sections"); the other undefined-
  # behaviour checks stay on.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=function -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
