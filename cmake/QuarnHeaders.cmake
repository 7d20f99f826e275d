# quarn_headers(<target> <folder>): lets <target>, and whatever links it, write
# #include "<folder>/x.h" for the headers of <folder>, and nothing else of the
# source tree. The include directory is <build>/include/<target>, which holds a
# single symbolic link <folder> -> <source>/<folder>. A library that does not
# link quarn_emulator therefore cannot include "emulator/...": the compiler
# does not find the header, instead of the linker failing later or, worse, the
# dependency going unnoticed because the header needed no object code.
#
# A Windows checkout may not be allowed to make symbolic links. With
# QUARN_HEADER_COPIES the folder holds copies of the headers instead, which
# enforce the layers the same way: configure_file() copies a header again
# whenever it changes, and a new header makes CMake configure anew. Edit the
# sources, never the copies.
option(QUARN_HEADER_COPIES "Copy the headers into the per-library include folders instead of linking them"
       ${CMAKE_HOST_WIN32})

function(quarn_headers target folder)
  set(dir ${PROJECT_BINARY_DIR}/include/${target})
  file(MAKE_DIRECTORY ${dir})
  set(view ${dir}/${folder})
  if(QUARN_HEADER_COPIES)
    if(IS_SYMLINK ${view})
      file(REMOVE ${view})  # the link of an earlier configure, not what it leads to
    endif()
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/${folder}
         ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    foreach(header IN LISTS headers)
      configure_file(${PROJECT_SOURCE_DIR}/${folder}/${header} ${view}/${header} COPYONLY)
    endforeach()
    # A header removed from the sources goes from the copies too.
    file(GLOB_RECURSE copies RELATIVE ${view} ${view}/*.h)
    if(headers)
      list(REMOVE_ITEM copies ${headers})
    endif()
    foreach(copy IN LISTS copies)
      file(REMOVE ${view}/${copy})
    endforeach()
  else()
    if(IS_DIRECTORY ${view} AND NOT IS_SYMLINK ${view})
      file(REMOVE_RECURSE ${view})  # copies of an earlier configure
    endif()
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view} RESULT failed SYMBOLIC)
    if(failed)
      message(FATAL_ERROR "Cannot link ${view} to ${PROJECT_SOURCE_DIR}/${folder}: ${failed}. "
                          "Configure with -DQUARN_HEADER_COPIES=ON to copy the headers instead.")
    endif()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${dir})
  else()
    target_include_directories(${target} PUBLIC ${dir})
  endif()
endfunction()
