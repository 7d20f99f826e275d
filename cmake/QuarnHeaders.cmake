# quarn_headers(<target> <folder>): lets <target>, and whatever links it, write
# #include "<folder>/x.h" for the headers of <folder>, and nothing else of the
# source tree. The include directory is <build>/include/<target>, which holds a
# single symbolic link <folder> -> <source>/<folder>. A library that does not
# link quarn_emulator therefore cannot include "emulator/...": the compiler
# does not find the header, instead of the linker failing later or, worse, the
# dependency going unnoticed because the header needed no object code.
#
# A Windows checkout may not be allowed to make symbolic links. With
# QUARN_HEADER_FORWARDERS the folder holds, for each header, a one-line header
# that includes the source's own by its full path instead: the layers are
# enforced the same way, an edited header needs nothing renewed, and a
# header reached both ways (moc's files name the source) is still one file
# to #pragma once. A header added or removed makes CMake configure anew.
option(QUARN_HEADER_FORWARDERS "Forwarding headers instead of a symbolic link in the per-library include folders"
       ${CMAKE_HOST_WIN32})

function(quarn_headers target folder)
  set(dir ${PROJECT_BINARY_DIR}/include/${target})
  file(MAKE_DIRECTORY ${dir})
  set(view ${dir}/${folder})
  if(QUARN_HEADER_FORWARDERS)
    if(IS_SYMLINK ${view})
      file(REMOVE ${view})  # the link of an earlier configure, not what it leads to
    endif()
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/${folder}
         ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    foreach(header IN LISTS headers)
      file(CONFIGURE OUTPUT ${view}/${header}
           CONTENT "#include \"${PROJECT_SOURCE_DIR}/${folder}/${header}\"  // made by cmake/QuarnHeaders.cmake\n")
    endforeach()
    # A header removed from the sources goes from here too.
    file(GLOB_RECURSE forwarders RELATIVE ${view} ${view}/*.h)
    if(headers)
      list(REMOVE_ITEM forwarders ${headers})
    endif()
    foreach(forwarder IN LISTS forwarders)
      file(REMOVE ${view}/${forwarder})
    endforeach()
  else()
    if(IS_DIRECTORY ${view} AND NOT IS_SYMLINK ${view})
      file(REMOVE_RECURSE ${view})  # forwarders of an earlier configure
    endif()
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view} RESULT failed SYMBOLIC)
    if(failed)
      message(FATAL_ERROR "Cannot link ${view} to ${PROJECT_SOURCE_DIR}/${folder}: ${failed}. "
                          "Configure with -DQUARN_HEADER_FORWARDERS=ON to do without.")
    endif()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${dir})
  else()
    target_include_directories(${target} PUBLIC ${dir})
  endif()
endfunction()
