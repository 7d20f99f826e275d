# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model,
# which Qt needs). Used both to build Qt for Windows (scripts/windows/build-qt.sh)
# and the project itself; for the project pass -DQUARN_QT_WINDOWS=<Qt folder>.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(quarn_mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${quarn_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quarn_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${quarn_mingw_triple}-windres)

# try_compile projects read this file again: hand them the Qt folder as well.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUARN_QT_WINDOWS)
set(CMAKE_FIND_ROOT_PATH /usr/${quarn_mingw_triple} ${QUARN_QT_WINDOWS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The project finds Qt for Windows in that folder, and Qt's build tools (moc,
# rcc, uic) among Debian's, which are the same version.
if(QUARN_QT_WINDOWS)
  list(APPEND CMAKE_PREFIX_PATH ${QUARN_QT_WINDOWS})
  set(QT_HOST_PATH /usr CACHE PATH "Where Qt's build tools for this machine are")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Their CMake packages")
endif()
