# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TextLines.h ${CMAKE_CURRENT_LIST_DIR}/TextLines.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListTextReader.h ${CMAKE_CURRENT_LIST_DIR}/ListTextReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextFiles.h ${CMAKE_CURRENT_LIST_DIR}/TextFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SaveFile.h ${CMAKE_CURRENT_LIST_DIR}/SaveFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GraphFile.h ${CMAKE_CURRENT_LIST_DIR}/GraphFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CollectionFile.h ${CMAKE_CURRENT_LIST_DIR}/CollectionFile.cpp
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FileCommands.h ${CMAKE_CURRENT_LIST_DIR}/FileCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Uopensave.h ${CMAKE_CURRENT_LIST_DIR}/Uopensave.cpp
)
