# Windows builds: the programs' icon and version resource, and, when the
# build is crossed from Linux, Wine to run the test programs.

# The icon of the programs' files, made from the desktop icon's drawing: its
# sizes rendered as PNG, packed into one .ico. Without the tools (a native
# Windows build may lack them) the programs get no icon in Explorer; the
# window's own icon comes from the program's resources either way.
find_program(QUARN_RSVG_CONVERT rsvg-convert)
find_program(QUARN_ICOTOOL icotool)
set(QUARN_WINDOWS_ICON "")
if(QUARN_RSVG_CONVERT AND QUARN_ICOTOOL)
  set(QUARN_WINDOWS_ICON ${PROJECT_BINARY_DIR}/windows/quarn-configurator.ico)
  set(icon_source ${PROJECT_SOURCE_DIR}/dist/icons/quarn-configurator.svg)
  set(icon_pngs)
  foreach(size 16 24 32 48 64 256)
    set(png ${PROJECT_BINARY_DIR}/windows/icon-${size}.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${QUARN_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${icon_source}
      DEPENDS ${icon_source}
      COMMENT "Rendering the ${size} px icon"
      VERBATIM)
    list(APPEND icon_pngs ${png})
  endforeach()
  # The 256 px image stays PNG inside the .ico, as Windows expects.
  list(POP_BACK icon_pngs large_png)
  add_custom_command(
    OUTPUT ${QUARN_WINDOWS_ICON}
    COMMAND ${QUARN_ICOTOOL} --create --output ${QUARN_WINDOWS_ICON} ${icon_pngs} --raw=${large_png}
    DEPENDS ${icon_pngs} ${large_png}
    COMMENT "Packing the Windows icon"
    VERBATIM)
  add_custom_target(quarn-windows-icon DEPENDS ${QUARN_WINDOWS_ICON})
else()
  message(WARNING "rsvg-convert (librsvg2-bin) and icotool (icoutils) make the programs' icon: without them the .exe files have none")
endif()

# quarn_windows_program(<target> <description> [GUI]): the version resource
# Explorer shows in the file's properties, the icon, and for GUI the Windows
# subsystem (no console window opens with the program).
function(quarn_windows_program target description)
  cmake_parse_arguments(PARSE_ARGV 2 arg "GUI" "" "")
  if(arg_GUI)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
  set(QUARN_RC_NAME ${target})
  set(QUARN_RC_DESCRIPTION ${description})
  set(QUARN_RC_ICON "")
  if(QUARN_WINDOWS_ICON)
    # Qt gives its windows the icon of this name (title bar, taskbar).
    set(QUARN_RC_ICON "IDI_ICON1 ICON \"${QUARN_WINDOWS_ICON}\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/dist/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(QUARN_WINDOWS_ICON)
    add_dependencies(${target} quarn-windows-icon)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${QUARN_WINDOWS_ICON})
  endif()
endfunction()

# Where the programs' DLLs come from: Qt's bin folder, and the compiler's
# C++ runtime (the installer takes them from there, Wine finds them there).
get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(QUARN_QT_BIN_DIR ${qt_core_dll} DIRECTORY)
set(QUARN_WINDOWS_DLL_DIRS ${QUARN_QT_BIN_DIR})
set(QUARN_MINGW_RUNTIME_DLLS)
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${runtime} is")
  endif()
  list(APPEND QUARN_MINGW_RUNTIME_DLLS ${found})
  get_filename_component(dir ${found} DIRECTORY)
  list(APPEND QUARN_WINDOWS_DLL_DIRS ${dir})
endforeach()
list(REMOVE_DUPLICATES QUARN_WINDOWS_DLL_DIRS)

# Crossed from Linux, CTest runs every Windows test program under Wine, in a
# Wine prefix of the build's own (scripts/windows/wine-run.sh).
if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
  # Offscreen, Qt for Windows takes its fonts from one folder only: there it
  # finds Liberation Sans, Arial's metric twin, as fontconfig gives it to the
  # Linux tests.
  file(GLOB sans /usr/share/fonts/truetype/liberation/LiberationSans-*.ttf)
  if(NOT sans)
    message(FATAL_ERROR "The tests under Wine need Liberation Sans: install the package fonts-liberation")
  endif()
  set(font_dir ${PROJECT_BINARY_DIR}/windows/fonts)
  file(COPY ${sans} DESTINATION ${font_dir})

  set(QUARN_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine)
  string(JOIN ":" dll_path ${QUARN_WINDOWS_DLL_DIRS})
  set(QUARN_WINE_RUN ${PROJECT_SOURCE_DIR}/scripts/windows/wine-run.sh ${QUARN_WINE_PREFIX} ${dll_path} ${font_dir})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUARN_WINE_RUN})
  # A path as the Windows programs under Wine see it: the whole Linux tree
  # is drive Z:.
  set(QUARN_WINE_DRIVE "Z:")
endif()
