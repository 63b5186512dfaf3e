# The finished product: what `cmake --install` puts on a machine, and the Debian package
# built from it (`cmake --build build --target package`, or cpack in the build tree).
#   /usr/bin/kestrune                                 the program (app/CMakeLists.txt)
#   /usr/bin/kestrunectl                              the command-line tool (cli/CMakeLists.txt)
#   /usr/libexec/kestrune/kestrune-echo               the echo helper (probe/echo-helper/)
#   /usr/libexec/kestrune/kestrune-neigh              the neighbour helper (platform/neigh-helper/)
#   /usr/share/applications/kestrune.desktop          the desktop menu entry
#   /usr/share/icons/hicolor/NxN/apps/kestrune.png    the program icon, drawn at each size
#   /usr/share/metainfo/<id>.metainfo.xml             the software centres' description
#   /usr/share/man/man1/kestrune.1.gz                 the manual pages
#   /usr/share/man/man1/kestrunectl.1.gz
#   <bash-completion's directory>/kestrunectl         the command-line tool's completion
#   /usr/share/doc/kestrune/                          the technicians' guide
# The package's postinst gives the echo helper cap_net_raw for the echo probe, creates the
# system group kestrune and gives the neighbour helper root:kestrune 0750 and cap_net_admin
# for pins of a hub's physical address; the program, like everything that links Qt,
# carries no capability.

set(KESTRUNE_DESKTOP_ID kestrune) # must stay the name main.cpp gives setDesktopFileName
set(KESTRUNE_APPSTREAM_ID org.kestrune.Kestrune)
set(KESTRUNE_ICON_SIZES 16 24 32 48 64 128 256)
set(KESTRUNE_PACKAGE_MAINTAINER "Kestrune developers <kestrune@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

set(packaging_dir ${CMAKE_SOURCE_DIR}/packaging)
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)

# The icon theme's PNGs come from the same drawing as the window's icon.
add_executable(kestrune_render_icons ${packaging_dir}/RenderIcons.cpp)
kestrune_project_target(kestrune_render_icons)
target_link_libraries(kestrune_render_icons PRIVATE kestrune_gui)
set(icon_files)
foreach(size ${KESTRUNE_ICON_SIZES})
  list(APPEND icon_files ${packaging_out}/icons/hicolor/${size}x${size}/apps/${KESTRUNE_DESKTOP_ID}.png)
endforeach()
add_custom_command(
  OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:kestrune_render_icons> ${packaging_out}/icons ${KESTRUNE_DESKTOP_ID}
          ${KESTRUNE_ICON_SIZES}
  DEPENDS kestrune_render_icons
  COMMENT "Drawing the program icon for the icon theme")

set(man_pages)
foreach(page kestrune kestrunectl)
  configure_file(${packaging_dir}/${page}.1 ${packaging_out}/${page}.1 @ONLY)
  add_custom_command(
    OUTPUT ${packaging_out}/${page}.1.gz
    COMMAND gzip -9 -n -f -k ${packaging_out}/${page}.1
    DEPENDS ${packaging_out}/${page}.1
    COMMENT "Compressing the manual page ${page}(1)")
  list(APPEND man_pages ${packaging_out}/${page}.1.gz)
endforeach()
add_custom_target(kestrune_desktop_files ALL DEPENDS ${icon_files} ${man_pages})

# bash-completion's own directory for completions loaded on demand, under the prefix.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_get_variable(KESTRUNE_COMPLETIONS_DIR bash-completion completionsdir)
endif()
if(NOT KESTRUNE_COMPLETIONS_DIR)
  set(KESTRUNE_COMPLETIONS_DIR /usr/share/bash-completion/completions)
endif()
string(REGEX REPLACE "^/usr/" "" KESTRUNE_COMPLETIONS_DIR "${KESTRUNE_COMPLETIONS_DIR}")

configure_file(${packaging_dir}/kestrune.metainfo.xml
               ${packaging_out}/${KESTRUNE_APPSTREAM_ID}.metainfo.xml @ONLY)
# KESTRUNE_INSTALLED_ECHO_HELPER comes from probe/echo-helper/CMakeLists.txt,
# KESTRUNE_INSTALLED_NEIGH_HELPER from platform/neigh-helper/CMakeLists.txt.
configure_file(${packaging_dir}/postinst.in ${packaging_out}/control/postinst @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)

install(FILES ${packaging_dir}/kestrune.desktop DESTINATION share/applications
        RENAME ${KESTRUNE_DESKTOP_ID}.desktop)
install(DIRECTORY ${packaging_out}/icons/ DESTINATION share/icons)
install(FILES ${packaging_out}/${KESTRUNE_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${man_pages} DESTINATION share/man/man1)
install(FILES ${packaging_dir}/bash-completion/kestrunectl DESTINATION ${KESTRUNE_COMPLETIONS_DIR})
file(GLOB guide_pictures CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/flow-*.png)
install(FILES ${CMAKE_SOURCE_DIR}/docs/guide-ru.md ${guide_pictures} DESTINATION share/doc/kestrune)

# What Debian asks of every package, beside the guide:
#   /usr/share/doc/kestrune/copyright         the licences, machine-readable (Apache-2.0;
#                                             Qt's and the static helper's libraries named)
#   /usr/share/doc/kestrune/changelog.gz      the changes; a native package's name for it
#   /usr/share/lintian/overrides/kestrune     lintian's tags that are so by design, and why
add_custom_command(
  OUTPUT ${packaging_out}/changelog.gz
  COMMAND gzip -9 -n -c ${packaging_dir}/changelog > ${packaging_out}/changelog.gz
  DEPENDS ${packaging_dir}/changelog
  COMMENT "Compressing the changelog")
add_custom_target(kestrune_package_docs ALL DEPENDS ${packaging_out}/changelog.gz)
install(FILES ${packaging_dir}/copyright ${packaging_out}/changelog.gz
        DESTINATION share/doc/kestrune)
install(FILES ${packaging_dir}/lintian-overrides DESTINATION share/lintian/overrides
        RENAME kestrune)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrune)
set(CPACK_PACKAGE_VENDOR "Kestrune")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "commissioning tool for the «Тамрил» IP hubs")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Kestrune finds the «Тамрил» IP hubs of an access-control installation on\n"
  "the subnet of the PC's network card with one broadcast, shows which of a\n"
  "hub's terminal controllers are on link, reads and changes the hub's IP\n"
  "address, subnet mask and gateway, and programs a controller's address\n"
  "number. The window speaks Russian.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KESTRUNE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# setcap and addgroup for the postinst; Qt's own Russian texts for the standard buttons
# ("Да", "Нет").
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser, libcap2-bin, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${packaging_out}/control/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)

# A cheap check of the package in the normal build: it is built and taken apart again.
if(KESTRUNE_TESTS AND KESTRUNE_SANITIZE STREQUAL "" AND NOT KESTRUNE_FUZZ)
  add_test(NAME package_contents
           COMMAND bash ${packaging_dir}/check-package.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_contents PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180
                                                   LABELS package)
endif()
