# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/LiveReading.h ${CMAKE_CURRENT_LIST_DIR}/LiveReading.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DisplayGlyphs.h ${CMAKE_CURRENT_LIST_DIR}/DisplayGlyphs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PanelKeys.h ${CMAKE_CURRENT_LIST_DIR}/PanelKeys.cpp
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/LiveMonitor.h ${CMAKE_CURRENT_LIST_DIR}/LiveMonitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Upanel.h ${CMAKE_CURRENT_LIST_DIR}/Upanel.cpp
)
