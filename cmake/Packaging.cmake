# Debian package of Quorvel, built with `cpack -G DEB` (scripts/package.sh).
# The package holds what the install rules install: the program, the
# launcher, the data files that seed a user's data folder, the desktop
# entry and the icon.
if(WIN32)
  include(cmake/PackagingWindows.cmake)
  return()
endif()
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "quorvel")
set(CPACK_PACKAGE_VENDOR "Brelwick")
set(CPACK_PACKAGE_CONTACT "Brelwick <support@brelwick.example>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diary of vital signs with a time chart")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quorvel records vital signs (pulse, blood pressure, SpO2, blood sugar,\n"
    "temperature, weight and mood) for one or more people and draws them on a\n"
    "time chart against their normal ranges, with average, minimum and maximum\n"
    "of the chosen time window. The data stay in XML files in the user's own\n"
    "data folder (~/.local/share/Brelwick/Quorvel).")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME "quorvel")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brelwick <support@brelwick.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The shared libraries the program links (the FLTK runtime library package
# libfltk1.3, which provides libfltk.so.1.3, the C and C++ runtimes) are
# found by dpkg-shlibdeps. Without it the FLTK runtime and the C++ runtime
# are named here.
find_program(QUORVEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QUORVEL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfltk1.3 (>= 1.3.4), libstdc++6 (>= 11), libc6 (>= 2.34)")
endif()

include(CPack)
