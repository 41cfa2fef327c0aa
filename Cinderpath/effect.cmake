# The plug-in class: parameter table, parameter handling, reset and the
# channel loop, on the host binding chosen in PlugBinding.h.
add_library(cinderpath STATIC ${CMAKE_CURRENT_LIST_DIR}/Cinderpath.cpp ${CMAKE_CURRENT_LIST_DIR}/CinderpathEditor.cpp)
target_include_directories(cinderpath PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cinderpath PUBLIC cinderpath_dsp cinderpath_presets iplug_au igraphics igraphics_headless igraphics_linux)
