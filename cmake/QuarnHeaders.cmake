# quarn_headers(<target> <folder>): lets <target>, and whatever links it, write
# #include "<folder>/x.h" for the headers of <folder>, and nothing else of the
# source tree. The include directory is <build>/include/<target>, which holds a
# single symbolic link <folder> -> <source>/<folder>. A library that does not
# link quarn_emulator therefore cannot include "emulator/...": the compiler
# does not find the header, instead of the linker failing later or, worse, the
# dependency going unnoticed because the header needed no object code.
function(quarn_headers target folder)
  set(dir ${PROJECT_BINARY_DIR}/include/${target})
  file(MAKE_DIRECTORY ${dir})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${dir}/${folder} RESULT failed SYMBOLIC)
  if(failed)
    message(FATAL_ERROR "Cannot link ${dir}/${folder} to ${PROJECT_SOURCE_DIR}/${folder}: ${failed}")
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${dir})
  else()
    target_include_directories(${target} PUBLIC ${dir})
  endif()
endfunction()
