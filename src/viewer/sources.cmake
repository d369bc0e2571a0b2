list(APPEND ORVEX_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/LineFinder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LineStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MappingGuard.cpp
)
list(APPEND ORVEX_VIEWS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/LinePrint.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LineView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextFileCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewerPage.cpp
)
