# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Resources.cpp
)
