# The Debian package (scripts/package builds it): everything `cmake --install`
# puts in place, under /usr. Its dependencies are the Debian packages of the
# shared libraries its programs link (found by dpkg-shlibdeps: Qt 6, the C++
# runtime) and the CJK font the Chinese user interface needs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zembra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Zembra developers")
set(CPACK_PACKAGE_CONTACT "The Zembra developers <zembra@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "commission brushless servo drives over RS-232")
set(CPACK_PACKAGE_DESCRIPTION
  "Zembra connects to a brushless servo drive over a serial line: it identifies the drive, reads, checks and
writes its parameters, shows its status and alarms, charts it live while the motor moves and sends commands
typed by hand. A virtual drive (zembra-vdrive) lets it run without hardware. The package also holds the C
libraries of the PCI CAN interface card, libtq402 and libPX720DLL, with their headers and pkg-config files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zembra.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libtq402 needs libPX720DLL, which comes in this same package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
