# The component bundle a host loads:
#   Cinderpath.component/Contents/Info.plist        manifest (identifier, executable, components)
#   Cinderpath.component/Contents/Linux/Cinderpath.so
#   Cinderpath.component/Contents/Resources/        the editor's images (each also
#                                                   drawn at every scale, "<Name>@2x.png"),
#                                                   its font and the font's licence
# The shared object exports only Cinderpath_Entry and Cinderpath_ViewEntry;
# everything else, including the static libraries linked into it, stays local
# so that several plug-ins built on the same framework can share a host.
if(NOT TARGET cinderpath)
  return()
endif()

set(CINDERPATH_BUNDLE_ID "com.marrowfield.audiounit.Cinderpath")
set(CINDERPATH_BUNDLE_DIR ${CMAKE_BINARY_DIR}/Cinderpath.component)
set(_cp_contents ${CINDERPATH_BUNDLE_DIR}/Contents)

set(_cp_exports ${CMAKE_CURRENT_BINARY_DIR}/Cinderpath.exports)
file(CONFIGURE OUTPUT ${_cp_exports} CONTENT
"{
  global: Cinderpath_Entry; Cinderpath_ViewEntry;
  local: *;
};
")

add_library(Cinderpath_component MODULE ${CMAKE_CURRENT_LIST_DIR}/CinderpathEntry.cpp)
target_link_libraries(Cinderpath_component PRIVATE cinderpath iplug_au_view)
target_compile_definitions(Cinderpath_component PRIVATE CINDERPATH_BUNDLE_ID="${CINDERPATH_BUNDLE_ID}")
target_link_options(Cinderpath_component PRIVATE
  "LINKER:--version-script=${_cp_exports}"
  "LINKER:--exclude-libs,ALL")
set_target_properties(Cinderpath_component PROPERTIES
  OUTPUT_NAME Cinderpath
  PREFIX ""
  SUFFIX ".so"
  LIBRARY_OUTPUT_DIRECTORY ${_cp_contents}/Linux
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${_cp_exports})

# Manifest: the effect component and its Carbon view component.
# Version 1.2.2 packed as major << 16 | minor << 8 | patch = 66050.
file(CONFIGURE OUTPUT ${_cp_contents}/Info.plist CONTENT
"<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<plist version=\"1.0\">
<dict>
  <key>CFBundleIdentifier</key><string>${CINDERPATH_BUNDLE_ID}</string>
  <key>CFBundleExecutable</key><string>Cinderpath</string>
  <key>CFBundleName</key><string>Cinderpath</string>
  <key>CFBundleVersion</key><string>1.2.2</string>
  <key>AudioComponents</key>
  <array>
    <dict>
      <key>type</key><string>aufx</string>
      <key>subtype</key><string>Cdpm</string>
      <key>manufacturer</key><string>Mrwf</string>
      <key>name</key><string>Marrowfield: Cinderpath</string>
      <key>version</key><integer>66050</integer>
      <key>entryPoint</key><string>Cinderpath_Entry</string>
    </dict>
    <dict>
      <key>type</key><string>auvw</string>
      <key>subtype</key><string>Cdpm</string>
      <key>manufacturer</key><string>Mrwf</string>
      <key>name</key><string>Marrowfield: Cinderpath View</string>
      <key>version</key><integer>66050</integer>
      <key>entryPoint</key><string>Cinderpath_ViewEntry</string>
    </dict>
  </array>
</dict>
</plist>
")

# Editor images, and the editor's font with its licence under the names the
# editor looks for, copied flat into Contents/Resources whenever they change.
cinderpath_copy_editor_resources(_cp_resource_outputs ${_cp_contents}/Resources "")
file(MAKE_DIRECTORY ${_cp_contents}/Resources)
add_custom_target(Cinderpath_component_resources DEPENDS ${_cp_resource_outputs})
add_dependencies(Cinderpath_component Cinderpath_component_resources)
