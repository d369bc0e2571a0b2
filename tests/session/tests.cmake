list(APPEND ORVEX_LINK_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/RegisterSessionTest.cpp
)
