# Files of this folder, by library.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Transport.h ${CMAKE_CURRENT_LIST_DIR}/NoMeter.h
    ${CMAKE_CURRENT_LIST_DIR}/Clock.h ${CMAKE_CURRENT_LIST_DIR}/Clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Exchange.h ${CMAKE_CURRENT_LIST_DIR}/Exchange.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TransportFactory.h ${CMAKE_CURRENT_LIST_DIR}/TransportFactory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HidFraming.h ${CMAKE_CURRENT_LIST_DIR}/HidFraming.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HidTransport.h ${CMAKE_CURRENT_LIST_DIR}/HidTransport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TransportLog.h ${CMAKE_CURRENT_LIST_DIR}/TransportLog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecordingTransport.h ${CMAKE_CURRENT_LIST_DIR}/RecordingTransport.cpp
)
list(APPEND Q7320_UI_SOURCES
)
# The virtual meter keeps its own list.
include(${CMAKE_CURRENT_LIST_DIR}/virtual/sources.cmake OPTIONAL)
