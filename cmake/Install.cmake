include(GNUInstallDirs)
install(TARGETS quorvel quorvel-data RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS scripts/quorvel-launcher.sh DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME quorvel-launcher)
install(FILES data/config.hma data/template_new.xml data/readme.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvel/data)
install(FILES data/quorvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/quorvel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES docs/data-format.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
