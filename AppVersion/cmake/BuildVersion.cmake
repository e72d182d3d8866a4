# The build number: a UTC timestamp of 14 digits that names the sources, not
# the moment of building, so that building again with nothing changed does
# nothing and two builds of one commit give the same binary.
#
# SOURCE_DATE_EPOCH wins when it is set (the reproducible-builds convention a
# Debian package build follows); otherwise the time of the last commit; a tree
# without git history gets a fixed time.
function(lumora_build_version out)
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  if(NOT epoch STREQUAL "" AND NOT epoch MATCHES "^[0-9]+$")
    message(WARNING "SOURCE_DATE_EPOCH is not a number of seconds (\"${epoch}\"); it is ignored")
    set(epoch "")
  endif()
  if(epoch STREQUAL "")
    set(epoch 0)
    find_package(Git QUIET)
    if(GIT_FOUND)
      # Only the project's own history: an unpacked source archive may lie
      # inside some other checkout.
      execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE top ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      get_filename_component(top "${top}" REALPATH)
      get_filename_component(source "${PROJECT_SOURCE_DIR}" REALPATH)
      execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        RESULT_VARIABLE failed OUTPUT_VARIABLE commit_time ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(top STREQUAL source AND NOT failed AND commit_time MATCHES "^[0-9]+$")
        set(epoch ${commit_time})
        lumora_reconfigure_when_head_moves()
      endif()
    endif()
  endif()
  # string(TIMESTAMP) reads the time from SOURCE_DATE_EPOCH when it is set.
  set(saved "$ENV{SOURCE_DATE_EPOCH}")
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
  string(TIMESTAMP stamp "%Y%m%d%H%M%S" UTC)
  if(saved STREQUAL "")
    unset(ENV{SOURCE_DATE_EPOCH})
  else()
    set(ENV{SOURCE_DATE_EPOCH} "${saved}")
  endif()
  set(${out} ${stamp} PARENT_SCOPE)
endfunction()

# A commit, checkout or pull moves HEAD; the build then configures again and
# takes the new commit's time. Only files that exist are watched (a missing
# one would make every build configure again); packed-refs covers a branch
# whose loose ref file was packed away.
function(lumora_reconfigure_when_head_moves)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --symbolic-full-name HEAD
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE ref ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(names HEAD packed-refs)
  if(ref MATCHES "^refs/")
    list(APPEND names ${ref})
  endif()
  set(arguments)
  foreach(name IN LISTS names)
    list(APPEND arguments --git-path ${name})
  endforeach()
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse ${arguments}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE paths ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  string(REPLACE "\n" ";" paths "${paths}")
  foreach(path IN LISTS paths)
    get_filename_component(path "${path}" ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
    if(EXISTS "${path}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
    endif()
  endforeach()
endfunction()
