list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/SaleRepliesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SaleCommandsTest.cpp
)
list(APPEND ORVEX_LINK_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PriceChangeTest.cpp
)
