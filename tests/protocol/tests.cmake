list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/ConvertsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RegisterCharsetTest.cpp
)
