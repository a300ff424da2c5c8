# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DateTimeText.h ${CMAKE_CURRENT_LIST_DIR}/DateTimeText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HelpPage.h ${CMAKE_CURRENT_LIST_DIR}/HelpPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NumberText.h ${CMAKE_CURRENT_LIST_DIR}/NumberText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TileLayout.h ${CMAKE_CURRENT_LIST_DIR}/TileLayout.cpp
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AppState.h
    ${CMAKE_CURRENT_LIST_DIR}/DesktopIdentity.h ${CMAKE_CURRENT_LIST_DIR}/DesktopIdentity.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DialogService.h ${CMAKE_CURRENT_LIST_DIR}/DialogService.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Settings.h ${CMAKE_CURRENT_LIST_DIR}/Settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataFolder.h ${CMAKE_CURRENT_LIST_DIR}/DataFolder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Uabout.h ${CMAKE_CURRENT_LIST_DIR}/Uabout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Uscope.h ${CMAKE_CURRENT_LIST_DIR}/Uscope.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Umain.h ${CMAKE_CURRENT_LIST_DIR}/Umain.cpp
)
