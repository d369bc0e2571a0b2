list(APPEND ORVEX_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Converts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RegisterCharset.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClockReply.cpp
)
list(APPEND ORVEX_LINK_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ReplyDispatcher.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RegisterFinder.cpp
)
