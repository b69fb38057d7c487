# Packages, made with cpack in a build tree: the Linux build makes the Debian package
# dravik_VERSION_amd64.deb, the Windows build the zip dravik-VERSION-win64.zip.
set(DRAVIK_MAINTAINER "dravik developers <dravik@localhost>"
  CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME dravik)
set(CPACK_PACKAGE_VENDOR "dravik developers")
set(CPACK_PACKAGE_CONTACT ${DRAVIK_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console for testing file systems one Win32 call at a time")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "dravik reads commands from standard input, performs one Win32 file\n"
  "operation for each (open, read, write, lock, map, search, rename,\n"
  "attributes, volume queries) and prints its return code; a command can\n"
  "check the code it expects. On Linux it runs through its own\n"
  "Win32-over-POSIX layer, which returns what Windows returns.\n"
  "dravik-run runs scripts for CI and reports TAP, JUnit and JSON;\n"
  "dravik-stress generates random scripts checked by a model of Win32\n"
  "semantics.")

set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME dravik-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # dpkg-shlibdeps declares the libraries the programs link: libc, libstdc++, liburing.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
