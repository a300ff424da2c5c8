# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/MeterInfo.h ${CMAKE_CURRENT_LIST_DIR}/MeterInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SetupFrames.h ${CMAKE_CURRENT_LIST_DIR}/SetupFrames.cpp
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/MeterSetup.h ${CMAKE_CURRENT_LIST_DIR}/MeterSetup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Usetup.h ${CMAKE_CURRENT_LIST_DIR}/Usetup.cpp
)
