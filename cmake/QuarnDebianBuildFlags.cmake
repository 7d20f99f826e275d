# A Release build on Debian compiles and links with the flags of
# dpkg-buildflags, as Debian builds its own packages: stack protector,
# fortified functions, format checks, read-only relocations bound at load.
# The packager's DEB_BUILD_MAINT_OPTIONS count; without them, hardening=+all.
# -DQUARN_DPKG_BUILDFLAGS=OFF builds without them.

find_program(QUARN_DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags)
if(QUARN_DPKG_BUILDFLAGS_PROGRAM AND NOT CMAKE_CROSSCOMPILING AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo)$")
  set(quarn_dpkg_buildflags_default ON)
else()
  set(quarn_dpkg_buildflags_default OFF)
endif()
option(QUARN_DPKG_BUILDFLAGS "Compile and link with the flags of dpkg-buildflags (hardening)"
       ${quarn_dpkg_buildflags_default})

if(QUARN_DPKG_BUILDFLAGS)
  if(NOT QUARN_DPKG_BUILDFLAGS_PROGRAM)
    message(FATAL_ERROR "QUARN_DPKG_BUILDFLAGS needs dpkg-buildflags: install the package dpkg-dev")
  endif()
  set(maintainer_options "$ENV{DEB_BUILD_MAINT_OPTIONS}")
  if(maintainer_options STREQUAL "")
    set(maintainer_options hardening=+all)
  endif()
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    # From the source folder, so that -ffile-prefix-map maps it away.
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=${maintainer_options}
              ${QUARN_DPKG_BUILDFLAGS_PROGRAM} --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE flags
      OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(dpkg_${kind} UNIX_COMMAND "${flags}")
  endforeach()
  add_compile_options(${dpkg_CPPFLAGS} ${dpkg_CXXFLAGS})
  add_link_options(${dpkg_LDFLAGS})
  message(STATUS "dpkg-buildflags (${maintainer_options}): ${dpkg_CPPFLAGS};${dpkg_CXXFLAGS} | ${dpkg_LDFLAGS}")
endif()
