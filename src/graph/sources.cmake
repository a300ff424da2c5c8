# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/GraphStatistics.h ${CMAKE_CURRENT_LIST_DIR}/GraphStatistics.cpp
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Ugraph.h ${CMAKE_CURRENT_LIST_DIR}/Ugraph.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GraphTools.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Uannoedit.h ${CMAKE_CURRENT_LIST_DIR}/Uannoedit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Usetupscale.h ${CMAKE_CURRENT_LIST_DIR}/Usetupscale.cpp
)
