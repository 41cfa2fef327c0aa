# The cinderpath command-line host: renders audio files through the effect by
# loading its component bundle and driving it only through the Audio Unit entry.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)

add_library(cinderpath_cli STATIC
  cli/audio_file.cpp
  cli/component_loader_glue.cpp
  cli/demo_signal.cpp
  cli/editor_command.cpp
  cli/options.cpp
  cli/plist.cpp
  cli/plugin_session.cpp
  cli/render_job.cpp
  cli/render_stream.cpp
  cli/safe_output.cpp
  cli/setting_files.cpp
  cli/settings_text.cpp)
target_include_directories(cinderpath_cli PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/cli)
# The plug-in's own file properties (program and bank files) are named in one
# header beside the binding.
target_include_directories(cinderpath_cli PRIVATE ${CMAKE_SOURCE_DIR}/WDL/IPlug)
# The plain-words parameter descriptions the plug-in publishes to hosts.
target_include_directories(cinderpath_cli PRIVATE ${PROJECT_SOURCE_DIR}/Cinderpath)
target_link_libraries(cinderpath_cli PUBLIC cinderpath_host macos_compat swell PkgConfig::SNDFILE PRIVATE Threads::Threads
  cinderpath_presets)
# The program finds the bundle relative to its own location in the build tree.
file(RELATIVE_PATH _cp_component_rel ${CMAKE_CURRENT_BINARY_DIR} ${CMAKE_BINARY_DIR}/Cinderpath.component)
# MP3 output needs a libsndfile that knows the MPEG container (an enum
# constant in its header, so it is looked for by compiling); whether the
# library can actually write it is asked at run time.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_INCLUDES ${SNDFILE_INCLUDE_DIRS})
check_cxx_source_compiles("#include <sndfile.h>
int main() { return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III; }" CINDERPATH_SNDFILE_HAS_MPEG)
unset(CMAKE_REQUIRED_INCLUDES)
if(CINDERPATH_SNDFILE_HAS_MPEG)
  target_compile_definitions(cinderpath_cli PRIVATE CINDERPATH_SNDFILE_HAS_MPEG=1)
endif()
target_compile_definitions(cinderpath_cli PRIVATE CINDERPATH_COMPONENT_RELATIVE="${_cp_component_rel}"
  CINDERPATH_VERSION_TEXT="${PROJECT_VERSION}")

# Target cinderpath_program, file name "cinderpath" (the plug-in library owns the
# target name "cinderpath").
add_executable(cinderpath_program cli/main.cpp)
set_target_properties(cinderpath_program PROPERTIES OUTPUT_NAME cinderpath)
target_link_libraries(cinderpath_program PRIVATE cinderpath_cli)
if(TARGET Cinderpath_component)
  add_dependencies(cinderpath_program Cinderpath_component)
endif()

# The snapshot command: the effect built into the program (its entry as the
# bundle's, registered under the bundle's component) and opened through that
# Audio Unit entry, so that its editor can be drawn off-screen. The bundle
# still supplies the images.
get_directory_property(_cp_bundle_id DIRECTORY ${PROJECT_SOURCE_DIR}/Cinderpath DEFINITION CINDERPATH_BUNDLE_ID)
add_library(cinderpath_snapshot STATIC cli/snapshot.cpp cli/builtin_effect.cpp)
target_link_libraries(cinderpath_snapshot PUBLIC cinderpath_cli cinderpath lice)
target_compile_definitions(cinderpath_snapshot PRIVATE CINDERPATH_BUNDLE_ID="${_cp_bundle_id}")
target_link_libraries(cinderpath_program PRIVATE cinderpath_snapshot)
