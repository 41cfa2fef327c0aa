# Audio Unit binding: component entry and dispatch, render path, properties,
# host state and preset records. Every IPlugAU*.cpp and the dfx sources
# belong to it, except the view factory, which needs the window editor
# (graphics.cmake).
file(GLOB _iplug_au_sources CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/IPlugAU*.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dfx/*.cpp)
list(FILTER _iplug_au_sources EXCLUDE REGEX "IPlugAU_ViewFactory\\.cpp$")
add_library(iplug_au STATIC ${_iplug_au_sources})
target_include_directories(iplug_au PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(iplug_au PUBLIC iplug_core macos_compat)
