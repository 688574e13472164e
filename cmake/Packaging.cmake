# The Debian package of what `cmake --install` puts in place; scripts/package.sh builds it as
# build/morvane_<version>_amd64.deb. Its dependencies are those of the installed executables, as
# dpkg-shlibdeps finds them (Qt 6, zlib, libdeflate, OpenSSL); the database server is not one of them. The
# browser opener is recommended.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VENDOR KOVA)
set(CPACK_PACKAGE_CONTACT "KOVA <morvane@kova-telescope.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Birth certificates for the telescope's sensor pixels")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Morvane gives each new sensor pixel of the KOVA telescope its MAC address, records its birth\n\
certificate in the project's MySQL database and writes the pixel's cert.ini to its SD card.\n\
Includes morvane-query, which runs SQL through Morvane's own protocol client.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# "Check Web Site" hands the address to xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_STRIP_FILES ON)
# The type lists are the site's to edit: an upgrade asks before replacing an edited file.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/conffiles)
include(CPack)
