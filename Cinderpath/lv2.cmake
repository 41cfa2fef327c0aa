# The LV2 bundle a Linux host loads:
#   Cinderpath.lv2/manifest.ttl     the plug-ins and where their files are
#   Cinderpath.lv2/Cinderpath.ttl   ports, ranges, units, features
#   Cinderpath.lv2/presets.ttl      named presets (clean boost, crunch, ...)
#   Cinderpath.lv2/Cinderpath.so    exports lv2_descriptor only; links no X11
#   Cinderpath.lv2/Cinderpath_ui.so the X11 UI (the plug-in's editor), exports
#                                   lv2ui_descriptor only
#   Cinderpath.lv2/resources/img/   the editor's images, read by the UI, each
#                                   also drawn at every scale ("<Name>@2x.png")
#   Cinderpath.lv2/resources/       the editor's font and its licence
# The plug-in class is compiled a second time on IPlugLV2 (CINDERPATH_LV2
# selects the binding in PlugBinding.h); the Turtle files are written at build
# time by a generator that constructs the plug-in, so they always follow the
# parameter table. The UI module compiles the plug-in class a third time, on
# the UI binding's parameter mirror (CINDERPATH_LV2_UI), so that a host
# without a UI never loads X11 code.
#
# Install: cmake --build <build dir> --target cinderpath_lv2_install
# copies the bundle to $LV2_INSTALL_DIR, or to ~/.lv2 when that is not set.
if(NOT TARGET iplug_lv2 OR NOT TARGET cinderpath_dsp OR NOT EXISTS ${CMAKE_CURRENT_LIST_DIR}/Cinderpath.cpp)
  return()
endif()

set(CINDERPATH_LV2_DIR ${CMAKE_BINARY_DIR}/Cinderpath.lv2 CACHE INTERNAL "The built LV2 bundle")

# The plug-in class on the LV2 binding.
add_library(cinderpath_lv2_plug STATIC ${CMAKE_CURRENT_LIST_DIR}/Cinderpath.cpp)
target_include_directories(cinderpath_lv2_plug PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(cinderpath_lv2_plug PUBLIC CINDERPATH_LV2)
target_link_libraries(cinderpath_lv2_plug PUBLIC cinderpath_dsp cinderpath_presets iplug_lv2 igraphics)

# Descriptors and factory, shared by the module and the Turtle generator.
add_library(cinderpath_lv2_entry OBJECT ${CMAKE_CURRENT_LIST_DIR}/CinderpathLV2.cpp)
target_link_libraries(cinderpath_lv2_entry PUBLIC cinderpath_lv2_plug)
set_target_properties(cinderpath_lv2_entry PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

set(_cp_lv2_exports ${CMAKE_CURRENT_BINARY_DIR}/CinderpathLV2.exports)
file(CONFIGURE OUTPUT ${_cp_lv2_exports} CONTENT
"{
  global: lv2_descriptor;
  local: *;
};
")

add_library(cinderpath_lv2 MODULE $<TARGET_OBJECTS:cinderpath_lv2_entry>)
target_link_libraries(cinderpath_lv2 PRIVATE cinderpath_lv2_plug)
target_link_options(cinderpath_lv2 PRIVATE
  "LINKER:--version-script=${_cp_lv2_exports}"
  "LINKER:--exclude-libs,ALL"
  # Only the libraries it calls: the window-system libraries the drawing
  # layer brings along stay out of the processing module.
  "LINKER:--as-needed"
  # Fuzzing builds leave the sanitizers' symbols to the loading program.
  "$<$<NOT:$<BOOL:${CINDERPATH_FUZZ}>>:LINKER:--no-undefined>")
set_target_properties(cinderpath_lv2 PROPERTIES
  OUTPUT_NAME Cinderpath
  PREFIX ""
  SUFFIX ".so"
  LIBRARY_OUTPUT_DIRECTORY ${CINDERPATH_LV2_DIR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${_cp_lv2_exports})

# Turtle generator: the same descriptors, linked into a program.
add_executable(cinderpath_lv2_turtle ${IPLUG_LV2_TURTLE_GEN_SOURCE} $<TARGET_OBJECTS:cinderpath_lv2_entry>)
target_link_libraries(cinderpath_lv2_turtle PRIVATE cinderpath_lv2_plug)

add_custom_command(
  OUTPUT ${CINDERPATH_LV2_DIR}/manifest.ttl ${CINDERPATH_LV2_DIR}/Cinderpath.ttl ${CINDERPATH_LV2_DIR}/presets.ttl
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CINDERPATH_LV2_DIR}
  COMMAND cinderpath_lv2_turtle ${CINDERPATH_LV2_DIR} Cinderpath.so Cinderpath.ttl Cinderpath_ui.so
  DEPENDS cinderpath_lv2_turtle
  COMMENT "Writing the Turtle files of Cinderpath.lv2"
  VERBATIM)

# ---- The UI module ----
# The plug-in class on the UI binding: it builds its editor on X11.
add_library(cinderpath_lv2ui_plug STATIC ${CMAKE_CURRENT_LIST_DIR}/Cinderpath.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CinderpathEditor.cpp)
target_include_directories(cinderpath_lv2ui_plug PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(cinderpath_lv2ui_plug PUBLIC CINDERPATH_LV2_UI)
target_link_libraries(cinderpath_lv2ui_plug PUBLIC cinderpath_dsp cinderpath_presets iplug_lv2ui)

# The platform stand-ins the X11 editor calls (bundle lookups) are compiled
# into the UI module, so that the bundle needs no library beside it; their
# symbols stay local like everything else in it.
set(_cp_compat_dir ${CMAKE_SOURCE_DIR}/compat/macos)
file(GLOB _cp_compat_sources ${_cp_compat_dir}/src/*.cpp)
add_library(cinderpath_lv2ui_compat OBJECT ${_cp_compat_sources})
target_include_directories(cinderpath_lv2ui_compat PRIVATE ${_cp_compat_dir}/include ${_cp_compat_dir}/src)
set_target_properties(cinderpath_lv2ui_compat PROPERTIES POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

set(_cp_lv2ui_exports ${CMAKE_CURRENT_BINARY_DIR}/CinderpathLV2UI.exports)
file(CONFIGURE OUTPUT ${_cp_lv2ui_exports} CONTENT
"{
  global: lv2ui_descriptor;
  local: *;
};
")
add_library(cinderpath_lv2ui MODULE ${CMAKE_CURRENT_LIST_DIR}/CinderpathLV2UI.cpp
  $<TARGET_OBJECTS:cinderpath_lv2ui_compat>)
target_link_libraries(cinderpath_lv2ui PRIVATE cinderpath_lv2ui_plug ${CMAKE_DL_LIBS})
target_link_options(cinderpath_lv2ui PRIVATE
  "LINKER:--version-script=${_cp_lv2ui_exports}"
  "LINKER:--exclude-libs,ALL"
  "LINKER:--as-needed"
  # Stays mapped once loaded: the window layer's X error handler may be
  # left in Xlib's chain when a host installed its own over it (that one
  # passes errors on to ours), and the run loop compiled in here is made
  # to outlive static destructors. Everything else the window layer opens
  # closes when the last view goes.
  "LINKER:-z,nodelete"
  "$<$<NOT:$<BOOL:${CINDERPATH_FUZZ}>>:LINKER:--no-undefined>")
set_target_properties(cinderpath_lv2ui PROPERTIES
  OUTPUT_NAME Cinderpath_ui
  PREFIX ""
  SUFFIX ".so"
  LIBRARY_OUTPUT_DIRECTORY ${CINDERPATH_LV2_DIR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  SKIP_BUILD_RPATH ON
  LINK_DEPENDS ${_cp_lv2ui_exports})

# The editor's images, and its font with the font's licence, where the UI
# looks for them.
cinderpath_copy_editor_resources(_cp_lv2_image_copies ${CINDERPATH_LV2_DIR}/resources img/)

add_custom_target(cinderpath_lv2_bundle ALL
  DEPENDS ${CINDERPATH_LV2_DIR}/manifest.ttl ${CINDERPATH_LV2_DIR}/Cinderpath.ttl ${CINDERPATH_LV2_DIR}/presets.ttl
    ${_cp_lv2_image_copies} cinderpath_lv2 cinderpath_lv2ui)

add_custom_target(cinderpath_lv2_install
  COMMAND ${CMAKE_COMMAND} -DBUNDLE=${CINDERPATH_LV2_DIR} -P ${CMAKE_CURRENT_LIST_DIR}/lv2_install.cmake
  DEPENDS cinderpath_lv2_bundle
  VERBATIM)
