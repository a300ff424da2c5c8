# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RealTimeCore.h ${CMAKE_CURRENT_LIST_DIR}/RealTimeCore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RealTimeJournal.h ${CMAKE_CURRENT_LIST_DIR}/RealTimeJournal.cpp
)
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RealTimeView.h
    ${CMAKE_CURRENT_LIST_DIR}/RealTimeGraphView.h ${CMAKE_CURRENT_LIST_DIR}/RealTimeGraphView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RealTimeRecorder.h ${CMAKE_CURRENT_LIST_DIR}/RealTimeRecorder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Usetuprealtime.h ${CMAKE_CURRENT_LIST_DIR}/Usetuprealtime.cpp
)
