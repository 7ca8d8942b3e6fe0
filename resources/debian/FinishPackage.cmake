# Run by cpack on the .deb it has made (CPACK_POST_BUILD_SCRIPTS). Rebuilds it
# with dpkg-deb so that
# - the programs lose the sections strip leaves (.comment, .note), as
#   Debian's own tools strip them;
# - Installed-Size is counted as dpkg-gencontrol counts it: cpack follows the
#   link in bin/ and counts the program twice;
# - no ldconfig calls: cpack adds them for any shared object under /usr/lib,
#   but the photo reader's module is a private plugin loaded by path, not a
#   library the dynamic linker looks up;
# - the package is reproducible: every file time is SOURCE_DATE_EPOCH (from
#   the environment, else the changelog's date), owners are root, and
#   dpkg-deb orders the members and dates the archive from it too.
cmake_minimum_required(VERSION 3.25)

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  set(epoch "${CPACK_ZZ_SOURCE_DATE_EPOCH}")
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "no usable SOURCE_DATE_EPOCH: '${epoch}'")
endif()

foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)

  # 1 KiB for each folder and link, each file rounded up to whole KiB; the
  # checksums anew, as stripping changed the programs.
  file(GLOB_RECURSE entries LIST_DIRECTORIES true "${tree}/*")
  list(SORT entries)
  set(kib 1)
  set(md5sums "")
  foreach(entry IN LISTS entries)
    string(FIND "${entry}/" "${tree}/DEBIAN/" at)
    if(at EQUAL 0)
      continue()
    endif()
    if(IS_SYMLINK "${entry}" OR IS_DIRECTORY "${entry}")
      math(EXPR kib "${kib} + 1")
      continue()
    endif()
    file(READ "${entry}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
      execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${entry}"
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(SIZE "${entry}" bytes)
    math(EXPR kib "${kib} + (${bytes} + 1023) / 1024")
    file(MD5 "${entry}" md5)
    file(RELATIVE_PATH path "${tree}" "${entry}")
    string(APPEND md5sums "${md5}  ${path}\n")
  endforeach()
  file(WRITE "${tree}/DEBIAN/md5sums" "${md5sums}")
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  file(READ "${tree}/DEBIAN/control" control)
  string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${kib}\n" control "${control}")
  file(WRITE "${tree}/DEBIAN/control" "${control}")

  # Modes as a package has them, whatever umask unpacked the tree.
  execute_process(COMMAND chmod -R u+rwX,go+rX,go-w "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND find "${tree}" -exec touch -h -d "@${epoch}" {} +
                  COMMAND_ERROR_IS_FATAL ANY)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch}
            dpkg-deb --root-owner-group -Zxz --build "${tree}" "${deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
