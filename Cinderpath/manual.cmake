# The manual page (Cinderpath.html): written at build time by a program that
# constructs the plug-in, so it lists the parameters as they are, and copied
# into the resources of both bundles, where the editor's title link opens it.
if(NOT TARGET cinderpath)
  return()
endif()

add_executable(cinderpath_manual ${CMAKE_CURRENT_LIST_DIR}/CinderpathManual.cpp)
target_link_libraries(cinderpath_manual PRIVATE cinderpath)

set(_cp_manual ${CMAKE_CURRENT_BINARY_DIR}/Cinderpath.html)
add_custom_command(
  OUTPUT ${_cp_manual}
  COMMAND cinderpath_manual ${_cp_manual}
  DEPENDS cinderpath_manual
  COMMENT "Writing the manual page Cinderpath.html"
  VERBATIM)

set(_cp_manual_copies)
if(TARGET Cinderpath_component)
  list(APPEND _cp_manual_copies ${CINDERPATH_BUNDLE_DIR}/Contents/Resources/Cinderpath.html)
endif()
if(TARGET cinderpath_lv2_bundle)
  list(APPEND _cp_manual_copies ${CINDERPATH_LV2_DIR}/resources/Cinderpath.html)
endif()
foreach(_copy ${_cp_manual_copies})
  get_filename_component(_dir ${_copy} DIRECTORY)
  add_custom_command(
    OUTPUT ${_copy}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_dir}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_cp_manual} ${_copy}
    DEPENDS ${_cp_manual}
    VERBATIM)
endforeach()
add_custom_target(cinderpath_manual_page ALL DEPENDS ${_cp_manual} ${_cp_manual_copies})
if(TARGET Cinderpath_component)
  add_dependencies(Cinderpath_component cinderpath_manual_page)
endif()
if(TARGET cinderpath_lv2_bundle)
  add_dependencies(cinderpath_lv2_bundle cinderpath_manual_page)
endif()
