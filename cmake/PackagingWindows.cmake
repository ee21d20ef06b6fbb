# Windows installer of Quorvel, built with `cpack -G NSIS` in the Windows
# build (scripts/windows-package.sh). It installs the programs, the icon and
# the data files; seeds the installing user's data folder
# (%APPDATA%\Brelwick\Quorvel) with the data files that are not there yet,
# never overwriting one; makes a Start-menu entry with the icon; and its
# uninstaller removes the programs only, never the user's data.
set(CPACK_GENERATOR "NSIS")
set(CPACK_PACKAGE_NAME "Quorvel")
set(CPACK_PACKAGE_VENDOR "Brelwick")
set(CPACK_PACKAGE_CONTACT "Brelwick <support@brelwick.example>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diary of vital signs with a time chart")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Quorvel")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Quorvel")
set(CPACK_PACKAGE_FILE_NAME "quorvel-${PROJECT_VERSION}-win64-setup")
set(CPACK_STRIP_FILES ON)
set(CPACK_NSIS_DISPLAY_NAME "Quorvel")
set(CPACK_NSIS_PACKAGE_NAME "Quorvel")
set(CPACK_NSIS_CONTACT "${CPACK_PACKAGE_CONTACT}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON "${CMAKE_SOURCE_DIR}/data/quorvel.ico")
set(CPACK_NSIS_MUI_UNIICON "${CMAKE_SOURCE_DIR}/data/quorvel.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\quorvel.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer with Unicode texts and paths, like the programs it holds.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_MODIFY_PATH OFF)

set(CPACK_NSIS_CREATE_ICONS_EXTRA
  "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Quorvel.lnk' '$INSTDIR\\\\bin\\\\quorvel.exe' '' '$INSTDIR\\\\quorvel.ico'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\Quorvel.lnk'")
# The trace log the program wrote beside itself goes with it; the data folder
# stays.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
  "Delete '$INSTDIR\\\\bin\\\\quorvel.exe_debuglog.txt'\nRMDir '$INSTDIR\\\\bin'\nRMDir '$INSTDIR'")

# The data folder of the installing user, seeded file by file when absent
# (SetOverwrite off: a file already there is kept as it is).
set(quorvel_seed "SetShellVarContext current\nSetOutPath '$APPDATA\\Brelwick\\Quorvel'\nSetOverwrite off")
foreach(name config.hma template_new.xml readme.txt)
  file(TO_NATIVE_PATH "${CMAKE_SOURCE_DIR}/data/${name}" quorvel_source)
  string(APPEND quorvel_seed "\nFile '${quorvel_source}'")
endforeach()
string(APPEND quorvel_seed "\nSetOverwrite on\nSetOutPath '$INSTDIR'")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "${quorvel_seed}")

include(CPack)
