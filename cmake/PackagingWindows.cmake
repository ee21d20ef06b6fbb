# Windows installer of Quorvel, built with `cpack -G NSIS` in the Windows
# build (scripts/windows-package.sh). A per-user installation that needs no
# administrator: it runs as the user who starts it and installs into that
# user's own programs folder (%LOCALAPPDATA%\Programs\Quorvel) the programs,
# the icon and the data files; seeds the installing user's data folder
# (%APPDATA%\Brelwick\Quorvel) with the data files that are not there yet,
# never overwriting one (the program does the same for any account on its
# first start); makes a Start-menu entry with the icon and one, "Quorvel data
# tool", that opens a console where quorvel-data runs by its name; and its
# uninstaller removes the programs only, never the user's data, and says so.
# Its licence page shows the project's licence and those of the libraries
# linked into the programs; its last page offers to run Quorvel.
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
set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\\\Programs")
set(CPACK_NSIS_MUI_ICON "${CMAKE_SOURCE_DIR}/data/quorvel.ico")
set(CPACK_NSIS_MUI_UNIICON "${CMAKE_SOURCE_DIR}/data/quorvel.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\quorvel.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer with Unicode texts and paths, like the programs it holds.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN "quorvel.exe")

# The licence page: the project's licence, then the notices of the libraries
# the programs link statically (the toolkit, zlib, libzip, expat), each with
# its own terms as its archive in third_party/ holds them. The same text is
# installed as LICENSE.txt.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE quorvel_licence)
string(APPEND quorvel_licence "\n\nThird-party notices\n===================\n\n"
  "Quorvel for Windows contains the following libraries, linked into its programs.\n")
foreach(entry "fltk|COPYING|FLTK 1.3.8, the toolkit (GNU Library General Public License 2 with the FLTK exceptions)"
    "zlib|LICENSE|zlib 1.2.13" "libzip|LICENSE|libzip 1.7.3" "expat|COPYING|expat 2.5.0")
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 folder)
  list(GET entry 1 name)
  list(GET entry 2 title)
  file(READ ${CMAKE_SOURCE_DIR}/third_party/${folder}/${name} text)
  string(APPEND quorvel_licence "\n----------------------------------------------------------------------\n"
    "${title}\n\n${text}")
endforeach()
string(REPLACE "\r\n" "\n" quorvel_licence "${quorvel_licence}")
string(REPLACE "\n" "\r\n" quorvel_licence "${quorvel_licence}")
file(WRITE ${CMAKE_BINARY_DIR}/LICENSE.txt "${quorvel_licence}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt)
install(FILES ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/app/windows/quorvel-data-console.cmd DESTINATION bin)

set(CPACK_NSIS_CREATE_ICONS_EXTRA
  "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Quorvel.lnk' '$INSTDIR\\\\bin\\\\quorvel.exe' '' '$INSTDIR\\\\quorvel.ico'
  CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Quorvel data tool.lnk' '$SYSDIR\\\\cmd.exe' '/k \"\"$INSTDIR\\\\bin\\\\quorvel-data-console.cmd\"\"' '$INSTDIR\\\\quorvel.ico'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\Quorvel.lnk'
  Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\Quorvel data tool.lnk'")
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

# CPack's own installer script asks for an administrator and installs for
# all users when the account is one. This copy of it runs as the user,
# installs for that user alone (registry entries under HKEY_CURRENT_USER,
# Start menu and programs folder of the user) whatever the account.
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in quorvel_nsis)
foreach(pair
    "RequestExecutionLevel admin|RequestExecutionLevel user"
    "SetShellVarContext all|SetShellVarContext current"
    "StrCpy $SV_ALLUSERS \"AllUsers\"|StrCpy $SV_ALLUSERS \"JustMe\""
    "$DOCUMENTS\\@CPACK_PACKAGE_INSTALL_DIRECTORY@|@CPACK_NSIS_INSTALL_ROOT@\\@CPACK_PACKAGE_INSTALL_DIRECTORY@"
    "HKLM \"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall|HKCU \"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
    # Its own name at the foot of its pages instead of NSIS's (CPack's
    # CPACK_NSIS_BRANDING_TEXT adds a /TRIM option that NSIS on Linux refuses).
    "@CPACK_NSIS_BRANDING_TEXT_CODE@|BrandingText \"Quorvel @CPACK_PACKAGE_VERSION@\""
    # The uninstaller's page says what stays.
    "  !insertmacro MUI_UNPAGE_CONFIRM|  !define MUI_UNCONFIRMPAGE_TEXT_TOP \"Quorvel's programs will be removed from the folder below. Your data folder is kept as it is: $APPDATA\\Brelwick\\Quorvel\"\n  !insertmacro MUI_UNPAGE_CONFIRM")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  string(FIND "${quorvel_nsis}" "${from}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "CPack's NSIS template has no \"${from}\" to make the installer per-user")
  endif()
  string(REPLACE "${from}" "${to}" quorvel_nsis "${quorvel_nsis}")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/nsis-per-user/NSIS.template.in "${quorvel_nsis}")
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_BINARY_DIR}/nsis-per-user)

include(CPack)
