list(APPEND ORVEX_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Converts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RegisterCharset.cpp
)
