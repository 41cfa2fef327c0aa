# Installation and the Debian package:
#   /usr/bin/cinderpath                           the command
#   /usr/lib/cinderpath/libmacos_compat.so        the platform stand-ins it and the bundle share
#   /usr/lib/cinderpath/Cinderpath.component/     the bundle the command loads
#   /usr/lib/lv2/Cinderpath.lv2/                  the LV2 bundle (found by LV2 hosts without LV2_PATH)
#   /usr/share/man/man1/cinderpath.1.gz           made from the help texts
#   /usr/share/doc/cinderpath/copyright, changelog.gz, README.md
# Build the package from a release build: cpack -G DEB (in the build folder).
if(NOT TARGET cinderpath_program OR NOT TARGET Cinderpath_component OR NOT TARGET cinderpath_lv2)
  return()
endif()

set(_cp_private lib/cinderpath)
set(_cp_doc share/doc/cinderpath)

# The command finds the shared stand-ins and the bundle beside it: ../lib/cinderpath.
set_target_properties(cinderpath_program PROPERTIES INSTALL_RPATH "\$ORIGIN/../${_cp_private}")
install(TARGETS cinderpath_program RUNTIME DESTINATION bin)
install(TARGETS macos_compat LIBRARY DESTINATION ${_cp_private})
install(TARGETS Cinderpath_component LIBRARY DESTINATION ${_cp_private}/Cinderpath.component/Contents/Linux)
install(FILES ${CMAKE_BINARY_DIR}/Cinderpath.component/Contents/Info.plist DESTINATION ${_cp_private}/Cinderpath.component/Contents)
install(DIRECTORY ${CMAKE_BINARY_DIR}/Cinderpath.component/Contents/Resources DESTINATION ${_cp_private}/Cinderpath.component/Contents)

install(TARGETS cinderpath_lv2 cinderpath_lv2ui LIBRARY DESTINATION lib/lv2/Cinderpath.lv2
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${CINDERPATH_LV2_DIR}/manifest.ttl ${CINDERPATH_LV2_DIR}/Cinderpath.ttl ${CINDERPATH_LV2_DIR}/presets.ttl
  DESTINATION lib/lv2/Cinderpath.lv2)
install(DIRECTORY ${CINDERPATH_LV2_DIR}/resources DESTINATION lib/lv2/Cinderpath.lv2)

# Manual page and documents, compressed as Debian expects.
set(_cp_man ${CMAKE_BINARY_DIR}/cinderpath.1)
set(_cp_changelog ${CMAKE_BINARY_DIR}/changelog)
file(WRITE ${_cp_changelog}
"cinderpath (${PROJECT_VERSION}) stable; urgency=low

  * Release ${PROJECT_VERSION}: the command, the Audio Unit bundle it loads and
    the LV2 plug-in, with a factory bank of sixteen presets.

 -- Marrowfield <cinderpath@marrowfield.example>  Tue, 08 Dec 2026 12:00:00 +0000
")
add_custom_command(OUTPUT ${_cp_man}.gz ${_cp_changelog}.gz
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:cinderpath_program> -DOUT=${_cp_man}
    -DVERSION=${PROJECT_VERSION} -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
  COMMAND gzip -9nf ${_cp_man}
  COMMAND gzip -9nkf ${_cp_changelog}
  DEPENDS cinderpath_program ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake ${_cp_changelog}
  COMMENT "Writing the manual page from the help texts"
  VERBATIM)
add_custom_target(cinderpath_manpage ALL DEPENDS ${_cp_man}.gz ${_cp_changelog}.gz)
install(FILES ${_cp_man}.gz DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${_cp_doc} RENAME copyright)
install(FILES ${_cp_changelog}.gz ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${_cp_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cinderpath)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Marrowfield)
set(CPACK_PACKAGE_CONTACT "Marrowfield <cinderpath@marrowfield.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "valve preamplifier audio effect: command and LV2 plug-in")
set(CPACK_PACKAGE_DESCRIPTION
"Cinderpath is a stereo valve-preamp effect: switchable input filters, an
oversampled soft clipper with a bias curve, output filters and level, with
sixteen factory presets. The package holds the cinderpath command, which
renders audio files through the effect, lists its settings and draws its
editor, and the LV2 plug-in (stereo and mono) with its X11 editor.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://cinderpath.example/")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lv2-host")
# dpkg-shlibdeps must find the private library in the tree being packaged.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/compat/macos)
include(CPack)
