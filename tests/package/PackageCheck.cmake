# Builds the Debian package from this build tree, unpacks it into a scratch root and checks that it
# holds a working console: the files where a desktop looks for them, dependencies read off the
# programs, entries that pass the desktop's validators, manual pages that cover every option and
# operator command, and a zeftool that runs from the unpacked tree.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

run("${CPACK}" --config "${BUILD_DIR}/CPackConfig.cmake" -G DEB -B "${WORK}/out")
file(GLOB debs "${WORK}/out/*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package, found: ${debs}")
endif()

# Dependencies come from the programs' libraries, with versions.
run(dpkg-deb -f "${debs}" Package Depends)
if(NOT out MATCHES "Package: zef\n" OR NOT out MATCHES "libqt6widgets6 \\(>= 6" OR
   NOT out MATCHES "libc6 \\(>=")
  message(SEND_ERROR "package name or dependencies wrong:\n${out}")
endif()

set(root "${WORK}/root")
run(dpkg-deb -x "${debs}" "${root}")
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
set(expected
    usr/bin/zef usr/bin/zefsim usr/bin/zeftool
    usr/share/applications/zef.desktop
    usr/share/metainfo/org.zefron.zef.metainfo.xml
    usr/share/doc/zef/zef.html usr/share/doc/zef/copyright usr/share/doc/zef/changelog.gz
    usr/share/icons/hicolor/scalable/apps/zef.svg
    usr/share/man/man1/zef.1.gz usr/share/man/man1/zefsim.1.gz usr/share/man/man1/zeftool.1.gz)
foreach(size 16 32 48 64 128 256)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/zef.png)
endforeach()
foreach(path IN LISTS expected)
  if(NOT path IN_LIST files)
    message(SEND_ERROR "not in the package: ${path}")
  endif()
endforeach()
# Nothing outside /usr, nothing under /usr/local, no libraries or headers of the build.
foreach(path IN LISTS files)
  if(NOT path MATCHES "^usr/(bin|share)/" OR path MATCHES "\\.(a|h|so)$")
    message(SEND_ERROR "stray file in the package: ${path}")
  endif()
endforeach()

# The licence in the machine-readable form, and a changelog whose latest entry is this version,
# signed by the package's maintainer.
file(STRINGS "${root}/usr/share/doc/zef/copyright" copyright)
list(GET copyright 0 format)
if(NOT format MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
   OR NOT "License: Expat" IN_LIST copyright)
  message(SEND_ERROR "copyright is not the machine-readable MIT licence:\n${format}")
endif()
run(dpkg-deb -f "${debs}" Version Maintainer)
string(REGEX MATCH "Version: ([^\n]*)" _ "${out}")
set(version "${CMAKE_MATCH_1}")
string(REGEX MATCH "Maintainer: ([^\n]*)" _ "${out}")
set(maintainer "${CMAKE_MATCH_1}")
run(gzip -dc "${root}/usr/share/doc/zef/changelog.gz")
if(NOT out MATCHES "^zef \\(${version}\\) " OR NOT out MATCHES "\n -- ${maintainer}  ")
  message(SEND_ERROR "changelog does not start at ${version} signed by ${maintainer}:\n${out}")
endif()

# What a distribution's checker says: no error, but for the placeholder maintainer of a build that
# was given none (-DCPACK_PACKAGE_CONTACT sets a real one).
find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND "${LINTIAN}" --tag-display-limit 0 "${debs}"
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX MATCHALL "(^|\n)E: [^\n]*" errors "${out}")
  string(REGEX REPLACE ".*<(.*)>" "\\1" address "${PLACEHOLDER}")
  foreach(line IN LISTS errors)
    string(STRIP "${line}" line)
    # The placeholder's address, in the control file and the changelog alike.
    if(maintainer STREQUAL PLACEHOLDER AND line MATCHES " ${address}( |$)")
      continue()
    endif()
    message(SEND_ERROR "lintian: ${line}")
  endforeach()
  if(out MATCHES "W: ")
    message(STATUS "lintian warns:\n${out}")
  endif()
else()
  message(STATUS "lintian not installed: package not checked by it")
endif()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  run("${DESKTOP_FILE_VALIDATE}" "${root}/usr/share/applications/zef.desktop")
  if(out MATCHES "error:")
    message(SEND_ERROR "desktop entry:\n${out}")
  endif()
else()
  message(STATUS "desktop-file-validate not installed: desktop entry not validated")
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  run("${APPSTREAMCLI}" validate --no-net --pedantic
      "${root}/usr/share/metainfo/org.zefron.zef.metainfo.xml")
else()
  message(STATUS "appstreamcli not installed: metainfo not validated")
endif()

# The unpacked tool reads a test and draws it.
set(zeftool "${root}/usr/bin/zeftool")
run("${zeftool}" csv "${DATA}/english-wing.ZEF")
string(REGEX MATCHALL "\n[0-9]+\\.[0-9]," rows "${out}")
if(NOT out MATCHES "^wind,lift,drag,cd,ld\n" OR NOT rows)
  message(SEND_ERROR "unpacked zeftool csv wrote:\n${out}")
endif()
run("${zeftool}" render "${DATA}/english-wing.ZEF" -o "${WORK}/wing.png")
file(SIZE "${WORK}/wing.png" png_size)
if(png_size LESS 1000)
  message(SEND_ERROR "unpacked zeftool render wrote ${png_size} bytes")
endif()

# The manual pages name every option and operator command the programs themselves list.
function(page_text name var)
  run(gzip -dc "${root}/usr/share/man/man1/${name}.1.gz")
  string(REPLACE "\\-" "-" out "${out}")
  set(${var} "${out}" PARENT_SCOPE)
endfunction()
run("${root}/usr/bin/zefsim" --help)
# Options follow a blank or a bracket; a hyphen inside a word ("pseudo-terminal") is no option.
string(REPLACE "[" " " out "${out}")
string(REGEX MATCHALL " --?[a-z][a-z-]*" words "${out}")
list(TRANSFORM words STRIP)
string(REGEX MATCH "standard input:[^.]*" commands "${out}")
string(REGEX MATCHALL "[a-z][a-z-]+" commands "${commands}")
list(REMOVE_ITEM commands standard input)
if(NOT "--link" IN_LIST words OR NOT "quit" IN_LIST commands)
  message(SEND_ERROR "zefsim --help no longer lists its options and commands:\n${out}")
endif()
page_text(zefsim zefsim_page)
foreach(word IN LISTS words commands)
  if(NOT zefsim_page MATCHES "\\.B[IR]? ${word}( |\n)")
    message(SEND_ERROR "zefsim.1 does not describe ${word}")
  endif()
endforeach()
execute_process(COMMAND "${zeftool}" ERROR_VARIABLE usage OUTPUT_QUIET)
string(REPLACE "[" " " usage "${usage}")
string(REGEX MATCHALL "( --?[a-z][a-z-]*|zeftool [a-z]+)" words "${usage}")
if(NOT "zeftool render" IN_LIST words OR NOT " --size" IN_LIST words)
  message(SEND_ERROR "zeftool no longer lists its commands and options:\n${usage}")
endif()
page_text(zeftool zeftool_page)
foreach(word IN LISTS words)
  string(REGEX REPLACE "^(zeftool | )" "" word "${word}")
  if(NOT zeftool_page MATCHES "\\.B[IR]? ${word}( |\n)")
    message(SEND_ERROR "zeftool.1 does not describe ${word}")
  endif()
endforeach()

# The pages set without a warning from the formatter.
find_program(MAN man)
if(MAN)
  foreach(page zef zefsim zeftool)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C.UTF-8 MANWIDTH=80
                            "${MAN}" --warnings -E UTF-8 -l -Tutf8 -Z
                            "${root}/usr/share/man/man1/${page}.1.gz"
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE warnings)
    if(NOT result EQUAL 0 OR warnings)
      message(SEND_ERROR "${page}.1 does not set cleanly:\n${warnings}")
    endif()
  endforeach()
endif()
