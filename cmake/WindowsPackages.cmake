# The Windows build's finished products, beside the executables in build-windows/:
#   kestrune-<version>-setup.exe     the installer (Debian's nsis): Program Files, a
#                                    Start-menu shortcut, an uninstaller, and the inbound
#                                    firewall rule for the discovery replies (UDP 30303)
#   kestrune-<version>-portable.zip  the same programs to run from any folder
# kestrunectl.exe goes into both when the build has it. Included at the end of the top
# CMakeLists.txt, so that every executable target is known.
find_program(KESTRUNE_MAKENSIS makensis)
find_program(KESTRUNE_ZIP zip)

set(windows_packaging_dir ${CMAKE_SOURCE_DIR}/packaging/windows)
set(installer ${CMAKE_BINARY_DIR}/kestrune-${PROJECT_VERSION}-setup.exe)
set(portable_name kestrune-${PROJECT_VERSION})
set(portable_zip ${CMAKE_BINARY_DIR}/${portable_name}-portable.zip)
set(portable_dir ${CMAKE_BINARY_DIR}/portable/${portable_name})

# The packages carry the programs without their debugging information (a tenth of the
# size); the build tree keeps the full ones for the debugger.
set(stripped_dir ${CMAKE_BINARY_DIR}/stripped)
set(program_targets kestrune)
if(TARGET kestrunectl)
  list(APPEND program_targets kestrunectl)
else()
  message(STATUS "kestrunectl is not part of this build: the installer and the zip hold the window alone")
endif()

set(programs)
set(nsis_defines)
foreach(target ${program_targets})
  set(stripped ${stripped_dir}/${target}.exe)
  add_custom_command(
    OUTPUT ${stripped}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stripped_dir}
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${stripped} $<TARGET_FILE:${target}>
    DEPENDS ${target}
    COMMENT "Stripping ${target}.exe for the packages"
    VERBATIM)
  list(APPEND programs ${stripped})
  string(TOUPPER ${target} define)
  list(APPEND nsis_defines -D${define}_EXE=${stripped})
endforeach()

set(licence ${CMAKE_SOURCE_DIR}/LICENSE)
set(licence_files)
if(EXISTS ${licence})
  list(APPEND nsis_defines -DLICENSE_FILE=${licence})
  list(APPEND licence_files ${licence})
else()
  message(WARNING "${licence} is missing: the installer is built without its licence page "
                  "and the zip without the licence")
endif()

set(products)
if(KESTRUNE_MAKENSIS)
  add_custom_command(
    OUTPUT ${installer}
    COMMAND ${KESTRUNE_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION}
            -DOUTFILE=${installer} -DICON_FILE=${CMAKE_SOURCE_DIR}/win32/kestrune.ico
            ${nsis_defines} ${windows_packaging_dir}/kestrune.nsi
    DEPENDS ${programs} ${windows_packaging_dir}/kestrune.nsi ${licence_files}
            ${CMAKE_SOURCE_DIR}/win32/kestrune.ico
    COMMENT "Building the installer kestrune-${PROJECT_VERSION}-setup.exe"
    VERBATIM)
  list(APPEND products ${installer})
else()
  message(WARNING "makensis (Debian's nsis) is not installed: no installer is built")
endif()

if(KESTRUNE_ZIP)
  add_custom_command(
    OUTPUT ${portable_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/portable ${portable_zip}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${portable_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${programs} ${licence_files} ${portable_dir}
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/portable
            ${KESTRUNE_ZIP} -q -r -X ${portable_zip} ${portable_name}
    DEPENDS ${programs} ${licence_files}
    COMMENT "Packing the portable ${portable_name}-portable.zip"
    VERBATIM)
  list(APPEND products ${portable_zip})
else()
  message(WARNING "zip is not installed: no portable zip is built")
endif()

add_custom_target(kestrune_windows_packages ALL DEPENDS ${products})
