# Installs the build tree into a fresh prefix and checks that the programs, the menu entry, the
# icons and the manual land where a desktop looks for them.
# cmake -DBUILD_DIR=<build tree> -DPREFIX=<scratch prefix> -P InstallCheck.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected share/applications/zef.desktop share/icons/hicolor/scalable/apps/zef.svg
             share/doc/zef/zef.html)
foreach(size 16 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/zef.png)
endforeach()
foreach(program zef zefsim zeftool)
  list(APPEND expected bin/${program})
endforeach()
foreach(path IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(SEND_ERROR "not installed: ${path}")
  endif()
endforeach()
foreach(program zef zefsim zeftool)
  execute_process(COMMAND test -x "${PREFIX}/bin/${program}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(SEND_ERROR "bin/${program} is not executable")
  endif()
endforeach()

# The menu entry starts the console by name, with its icon, among education and science.
file(STRINGS "${PREFIX}/share/applications/zef.desktop" entry)
foreach(line "Exec=zef" "Icon=zef" "Type=Application")
  if(NOT line IN_LIST entry)
    message(SEND_ERROR "zef.desktop lacks ${line}")
  endif()
endforeach()
list(FILTER entry INCLUDE REGEX "^Categories=")
if(NOT entry MATCHES "Education;" OR NOT entry MATCHES "Science;")
  message(SEND_ERROR "zef.desktop categories: ${entry}")
endif()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/share/applications/zef.desktop"
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(SEND_ERROR "zef.desktop does not validate")
  endif()
endif()

# Every picture the manual shows is installed beside it.
file(READ "${PREFIX}/share/doc/zef/zef.html" manual)
string(REGEX MATCHALL "src=\"[^\"]+\"" pictures "${manual}")
foreach(picture IN LISTS pictures)
  string(REGEX REPLACE "^src=\"(.*)\"$" "\\1" picture "${picture}")
  if(NOT EXISTS "${PREFIX}/share/doc/zef/${picture}")
    message(SEND_ERROR "the manual shows ${picture}, which is not installed")
  endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
