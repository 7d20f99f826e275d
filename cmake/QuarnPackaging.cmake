# `cpack -G DEB` in the build folder makes the Debian package of everything
# the install rules install (tests and benchmarks have none).

set(CPACK_PACKAGE_NAME quarn-configurator)
set(CPACK_PACKAGE_VENDOR "Quelmora Elettronica S.r.l.")
set(CPACK_PACKAGE_CONTACT "Quelmora Elettronica S.r.l. <supporto@quelmora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for the Quarn radio alarm transmitter")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop tool for the field technician who sets up a Quarn, a battery-powered
radio alarm transmitter, connected to a serial port or a USB serial adapter.
It reads the transmitter's configuration memory into one window (device code,
transmit frequency, alarm inputs, times and options), writes changed values
back with a read-back check, loads the UHF or VHF factory defaults and keys a
test transmission. The window texts are in Italian.

The package also holds quarnctl, the same from a terminal, quarn-emulator, a
simulated transmitter on a pseudo-terminal, and a udev rule that gives common
USB serial adapters to the user at the seat and to the dialout group and keeps
ModemManager from probing them.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quelmora.example/quarn)
# Library dependencies come from dpkg-shlibdeps; the window also needs Qt's
# platform plugins (only recommended by Qt) and looks right with these fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, fonts-dejavu-core, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
