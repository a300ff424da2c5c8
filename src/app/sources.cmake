# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DateTimeText.h ${CMAKE_CURRENT_LIST_DIR}/DateTimeText.cpp
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AppState.h
    ${CMAKE_CURRENT_LIST_DIR}/DialogService.h ${CMAKE_CURRENT_LIST_DIR}/DialogService.cpp
)
