# The Debian package: ./package.sh builds Release and runs cpack -G DEB here.
# Its dependencies come from the binaries (dpkg-shlibdeps) plus what the
# program loads at run time: the IPA Gothic font and Qt's own translations.
set(ORVALIS_DOC_DIR share/doc/orvalis)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${ORVALIS_DOC_DIR})
# The version has no Debian revision (the package is native): the changelog
# is changelog.gz, as Debian names a native package's.
set(ORVALIS_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${ORVALIS_CHANGELOG} @ONLY)
add_custom_command(OUTPUT ${ORVALIS_CHANGELOG}.gz
  COMMAND ${ORVALIS_GZIP} -9nc ${ORVALIS_CHANGELOG} > ${ORVALIS_CHANGELOG}.gz
  DEPENDS ${ORVALIS_CHANGELOG} VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${ORVALIS_CHANGELOG}.gz)
install(FILES ${ORVALIS_CHANGELOG}.gz DESTINATION ${ORVALIS_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvalis)
set(CPACK_PACKAGE_VERSION ${ORVALIS_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvalis developers")
set(CPACK_PACKAGE_CONTACT "Orvalis developers <orvalis@packages.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "booking desk for meeting halls and other facilities")
# Below the synopsis (the summary above); CPack indents it and marks the empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Orvalis keeps the register of a desk that lets meeting halls and other
facilities by the hour: who reserved which facility, on which day, from
when to when, for what purpose, at what fee and whether it is paid, with
the registers of the facilities and of the customers.

One register is one .kv file that several desks open at once from a
shared drive. The package holds the desktop program (Japanese), its
command-line companion kvtool, and their manual pages.")
include(CPack)
