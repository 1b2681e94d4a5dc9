# The programs, the menu entry, the icons and the manual land where a desktop looks for them.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
foreach(path bin/zef bin/zefsim bin/zeftool share/icons/hicolor/48x48/apps/zef.png
             share/icons/hicolor/scalable/apps/zef.svg share/doc/zef/zef.html)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(SEND_ERROR "not installed: ${path} (cmake --install: ${result})")
  endif()
endforeach()
file(STRINGS "${PREFIX}/share/applications/zef.desktop" entry)
if(NOT "Exec=zef" IN_LIST entry OR NOT "Icon=zef" IN_LIST entry)
  message(SEND_ERROR "zef.desktop does not start zef with its icon")
endif()
