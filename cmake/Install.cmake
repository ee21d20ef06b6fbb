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
