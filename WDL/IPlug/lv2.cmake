# LV2 binding: IPlugLV2 (ports, run, state) and the generator that writes a
# bundle's Turtle files from the plug-in objects. Needs the LV2 headers
# (Debian's lv2-dev); without them the binding is left out.
find_path(IPLUG_LV2_INCLUDE_DIR lv2/core/lv2.h)
if(NOT IPLUG_LV2_INCLUDE_DIR)
  message(STATUS "LV2 headers not found: the LV2 binding is not built")
  return()
endif()

add_library(iplug_lv2 STATIC ${CMAKE_CURRENT_LIST_DIR}/IPlugLV2.cpp)
target_include_directories(iplug_lv2 PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${IPLUG_LV2_INCLUDE_DIR})
target_link_libraries(iplug_lv2 PUBLIC iplug_core)

# Source of the Turtle generator's main(); a plug-in links it with its own
# lv2_descriptor (see Cinderpath/lv2.cmake).
set(IPLUG_LV2_TURTLE_GEN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/IPlugLV2_TurtleGen.cpp
    CACHE INTERNAL "main() of an LV2 bundle's Turtle generator")

# LV2 UI binding: a plug-in's own editor in an X11 UI, over a parameter
# mirror of the plug-in class (IPlugLV2Mirror). Only UI modules link it.
add_library(iplug_lv2ui STATIC ${CMAKE_CURRENT_LIST_DIR}/IPlugLV2UI.cpp)
target_include_directories(iplug_lv2ui PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${IPLUG_LV2_INCLUDE_DIR})
target_link_libraries(iplug_lv2ui PUBLIC iplug_core igraphics_linux)
