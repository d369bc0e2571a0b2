list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/ConvertsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RegisterCharsetTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClockReplyTest.cpp
)
list(APPEND ORVEX_LINK_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/ReplyDispatcherTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReconnectTest.cpp
)
list(APPEND ORVEX_SIM_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/RegisterFinderTest.cpp
)
