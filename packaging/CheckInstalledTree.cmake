# Installs the desktop files of a build tree into a scratch prefix and checks
# them where they land, the way a software centre finds them: the metainfo
# must name an installed desktop entry, and the entry's icon must exist.
#   cmake -DBUILD_DIR=<build> -DTREE=<scratch> -DAPP_ID=<id> -P CheckInstalledTree.cmake
foreach(var BUILD_DIR TREE APP_ID)
  if(NOT ${var})
    message(FATAL_ERROR "CheckInstalledTree: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${TREE})
execute_process(
  COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${TREE} --component desktop
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "CheckInstalledTree: installing the desktop files failed")
endif()

foreach(file
    share/applications/${APP_ID}.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/${APP_ID}.svg)
  if(NOT EXISTS ${TREE}/${file})
    message(FATAL_ERROR "CheckInstalledTree: ${file} is missing from the installed tree")
  endif()
endforeach()

file(STRINGS ${TREE}/share/applications/${APP_ID}.desktop icon_line REGEX "^Icon=")
if(NOT icon_line STREQUAL "Icon=${APP_ID}")
  message(FATAL_ERROR "CheckInstalledTree: the desktop entry names the icon '${icon_line}'")
endif()

execute_process(COMMAND appstreamcli validate-tree --no-net --strict ${TREE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "CheckInstalledTree: appstreamcli validate-tree failed (${result})")
endif()
