# Install helpers. quarn_install_program(<target>) installs a program and its
# manual page dist/man/<target>.1 (version filled in, gzipped at build time);
# one call per program, in dist/CMakeLists.txt.

include(GNUInstallDirs)

find_program(QUARN_GZIP gzip REQUIRED)

# Compresses <source> into <output> at build time. -n leaves the name and the
# time stamp out of the header, so the same text always gives the same bytes.
function(quarn_gzip source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${QUARN_GZIP} -9 -n -c ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${output}"
    VERBATIM)
endfunction()

function(quarn_install_program target)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "quarn_install_program: no target ${target}")
  endif()
  set(page_source ${PROJECT_SOURCE_DIR}/dist/man/${target}.1)
  if(NOT EXISTS ${page_source})
    message(FATAL_ERROR "quarn_install_program: ${target} needs its manual page ${page_source}")
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${target}.1)
  configure_file(${page_source} ${page} @ONLY)
  quarn_gzip(${page} ${page}.gz)
  add_custom_target(${target}-manpage ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
