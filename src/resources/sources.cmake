# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Resources.h ${CMAKE_CURRENT_LIST_DIR}/Resources.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resources.qrc
)

# Draws the pictures listed in resources.qrc; not part of the normal build.
if(NOT TARGET q7320_draw_panel)
    add_executable(q7320_draw_panel EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/tools/draw_panel.cpp)
    target_link_libraries(q7320_draw_panel PRIVATE Qt6::Gui)
    set_target_properties(q7320_draw_panel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()
