# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DataSetStore.h
    ${CMAKE_CURRENT_LIST_DIR}/MemoryDecoder.h ${CMAKE_CURRENT_LIST_DIR}/MemoryDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataSetTexts.h ${CMAKE_CURRENT_LIST_DIR}/DataSetTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListTableModel.h ${CMAKE_CURRENT_LIST_DIR}/ListTableModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MemoryReader.h ${CMAKE_CURRENT_LIST_DIR}/MemoryReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TableToGraph.h ${CMAKE_CURRENT_LIST_DIR}/TableToGraph.cpp
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DataLogger.h ${CMAKE_CURRENT_LIST_DIR}/DataLogger.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Ulist.h ${CMAKE_CURRENT_LIST_DIR}/Ulist.cpp
)
