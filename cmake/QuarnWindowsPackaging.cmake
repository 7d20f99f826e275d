# `cpack -G NSIS` in a Windows build folder makes the installer
# quarn-configurator-<version>-win64.exe, `cpack -G ZIP` the portable zip of
# the same files (dist/windows/CMakeLists.txt says which).

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME quarn-configurator)
set(CPACK_PACKAGE_VENDOR "Quelmora Elettronica S.r.l.")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuratore Per Quarn")
set(CPACK_PACKAGE_FILE_NAME quarn-configurator-${PROJECT_VERSION}-win64)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# Program Files\Quelmora\Configuratore Per Quarn, for every user of the machine.
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Quelmora\\\\Configuratore Per Quarn")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Configuratore Per Quarn")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The Start menu entry, and the name Apps & Features shows.
set(CPACK_PACKAGE_EXECUTABLES quarn-configurator "Configuratore Per Quarn")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_DISPLAY_NAME "Configuratore Per Quarn")
# Also the Start menu folder's name.
set(CPACK_NSIS_PACKAGE_NAME "Configuratore Per Quarn")
set(CPACK_NSIS_INSTALLED_ICON_NAME quarn-configurator.exe)
set(CPACK_NSIS_CONTACT "supporto@quelmora.example")
set(CPACK_NSIS_URL_INFO_ABOUT https://quelmora.example/quarn)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# A 64-bit installer for 64-bit programs: it writes the 64-bit registry view
# that Apps & Features reads, and needs no 32-bit support from the system.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
if(QUARN_WINDOWS_ICON)
  set(CPACK_NSIS_MUI_ICON ${QUARN_WINDOWS_ICON})
  set(CPACK_NSIS_MUI_UNIICON ${QUARN_WINDOWS_ICON})
endif()

include(CPack)
