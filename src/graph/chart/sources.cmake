# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ChartState.h ${CMAKE_CURRENT_LIST_DIR}/ChartState.cpp
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Chart.h ${CMAKE_CURRENT_LIST_DIR}/Chart.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ChartCustomizeDialog.h ${CMAKE_CURRENT_LIST_DIR}/ChartCustomizeDialog.cpp
)
