list(APPEND ORVEX_LINK_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RegisterSession.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SessionSetup.cpp
)
