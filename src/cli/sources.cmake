# Files of this folder, by library.
list(APPEND Q7320_UI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ChartSources.h ${CMAKE_CURRENT_LIST_DIR}/ChartSources.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CliSupport.h ${CMAKE_CURRENT_LIST_DIR}/CliSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandLine.h ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileSubcommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MeterSubcommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Pictures.h ${CMAKE_CURRENT_LIST_DIR}/Pictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Subcommands.h
)
