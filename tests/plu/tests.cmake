list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PluRecordTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluMessagesTest.cpp
)
