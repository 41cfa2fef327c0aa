# Editor framework: editor core, controls, pop-up menus and bitmap text.
# Needs only the framework core and the image engine, so that every
# plug-in build (Audio Unit and LV2) can carry it.
add_library(igraphics STATIC
  ${CMAKE_CURRENT_LIST_DIR}/IGraphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IGraphicsDraw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IGraphicsScale.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IPopupMenu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IBitmapMonoText.cpp)
target_include_directories(igraphics PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(igraphics PUBLIC iplug_core lice)

# The off-screen platform editor and the bundle image lookup it shares with
# the window editor (bundles come from the platform stand-ins).
add_library(igraphics_headless STATIC
  ${CMAKE_CURRENT_LIST_DIR}/IGraphicsBundle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IGraphicsHeadless.cpp)
target_link_libraries(igraphics_headless PUBLIC igraphics macos_compat)

# The platform editor on X11 over the window-system services.
add_library(igraphics_linux STATIC ${CMAKE_CURRENT_LIST_DIR}/IGraphicsLinux.cpp)
target_link_libraries(igraphics_linux PUBLIC igraphics_headless swell)

# The Audio Unit view factory: opens the editor and hands a host its window.
if(TARGET iplug_au)
  add_library(iplug_au_view STATIC ${CMAKE_CURRENT_LIST_DIR}/IPlugAU_ViewFactory.cpp)
  target_link_libraries(iplug_au_view PUBLIC iplug_au igraphics_linux)
endif()
