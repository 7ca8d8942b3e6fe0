cmake_minimum_required(VERSION 3.25)
# Installs the build into a scratch folder (as a package would, with DESTDIR)
# and checks that the program finds everything it looks for beside itself and
# that the desktop finds the program.
#   cmake -DBUILD_DIR=... -DSTAGE=... -DPREFIX=... -DBINDIR=... -DLIBDIR=... -DDATADIR=... -P check_install.cmake
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install "${BUILD_DIR}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(root "${STAGE}${PREFIX}")
set(program_dir "${root}/${LIBDIR}/zedezedidor")
set(link "${root}/${BINDIR}/zedezedidor")

if(NOT IS_SYMLINK "${link}")
  message(FATAL_ERROR "${BINDIR}/zedezedidor is no link to the program folder")
endif()
file(READ_SYMLINK "${link}" target)
if(IS_ABSOLUTE "${target}")
  message(FATAL_ERROR "the link points to an absolute path: ${target}")
endif()
get_filename_component(resolved "${root}/${BINDIR}/${target}" REALPATH)
get_filename_component(expected "${program_dir}/zedezedidor" REALPATH)
if(NOT resolved STREQUAL expected)
  message(FATAL_ERROR "the link leads to ${resolved}, not ${expected}")
endif()

foreach(file
    "${program_dir}/zedezedidor" "${program_dir}/Lurvan.ico"
    "${program_dir}/Readme.txt" "${program_dir}/Lizenz.txt"
    "${root}/${DATADIR}/zedezedidor/Zedezedidor.qhc" "${root}/${DATADIR}/zedezedidor/Zedezedidor.qch"
    "${root}/${DATADIR}/icons/hicolor/48x48/apps/zedezedidor.png"
    "${root}/${DATADIR}/icons/hicolor/256x256/apps/zedezedidor.png")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

set(entry "${root}/${DATADIR}/applications/zedezedidor.desktop")
file(STRINGS "${entry}" lines ENCODING UTF-8)
foreach(expected_line
    "[Desktop Entry]" "Type=Application" "Name=Zedezedidor" "Icon=zedezedidor"
    "Categories=Utility;Electronics;" "Exec=zedezedidor" "Terminal=false")
  if(NOT expected_line IN_LIST lines)
    message(FATAL_ERROR "desktop entry lacks \"${expected_line}\"")
  endif()
endforeach()
# English for every desktop, German where the desktop speaks it.
if(NOT lines MATCHES "Comment=Decode the colour rings" OR NOT lines MATCHES "Comment\\[de\\]=Farbringe von Widerständen")
  message(FATAL_ERROR "desktop entry lacks its English comment or its German translation")
endif()
file(REMOVE_RECURSE "${STAGE}")
