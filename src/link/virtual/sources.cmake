# The virtual meter: QtCore only.
list(APPEND Q7320_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/MeterMemory.h ${CMAKE_CURRENT_LIST_DIR}/MeterMemory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VirtualMeter.h ${CMAKE_CURRENT_LIST_DIR}/VirtualMeter.cpp
)
