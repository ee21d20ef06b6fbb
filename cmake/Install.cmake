# Documentation goes under the package's own name, as Debian expects.
set(CMAKE_INSTALL_DOCDIR share/doc/quorvel)
include(GNUInstallDirs)
install(TARGETS quorvel quorvel-data RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(WIN32)
  # The Windows installer (cmake/Packaging.cmake) puts the data files beside
  # the programs and seeds the installing user's data folder with them.
  install(FILES data/config.hma data/template_new.xml data/readme.txt DESTINATION data)
  install(FILES data/quorvel.ico DESTINATION .)
  install(FILES docs/data-format.md DESTINATION doc)
  return()
endif()
install(PROGRAMS scripts/quorvel-launcher.sh DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME quorvel-launcher)
install(FILES data/config.hma data/template_new.xml data/readme.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvel/data)
install(FILES data/quorvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/quorvel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES docs/data-format.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES docs/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages and the changelog are installed compressed with gzip -9n
# (no name, no time stamp), so the same sources give the same package.
find_program(QUORVEL_GZIP gzip REQUIRED)
set(QUORVEL_MAN_PAGES quorvel quorvel-launcher)
if(TARGET quorvel-data)
  list(APPEND QUORVEL_MAN_PAGES quorvel-data)
endif()
set(QUORVEL_COMPRESSED_DOCS)
foreach(page IN LISTS QUORVEL_MAN_PAGES)
  set(out ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "${QUORVEL_GZIP} -9n -c \"$0\" > \"$1\"" ${CMAKE_SOURCE_DIR}/docs/man/${page}.1 ${out}
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page}.1 VERBATIM)
  list(APPEND QUORVEL_COMPRESSED_DOCS ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(out ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${out}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
  COMMAND sh -c "${QUORVEL_GZIP} -9n -c \"$0\" > \"$1\"" ${CMAKE_SOURCE_DIR}/docs/debian/changelog ${out}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/debian/changelog VERBATIM)
list(APPEND QUORVEL_COMPRESSED_DOCS ${out})
install(FILES ${out} DESTINATION ${CMAKE_INSTALL_DOCDIR})
add_custom_target(quorvel_docs ALL DEPENDS ${QUORVEL_COMPRESSED_DOCS})
