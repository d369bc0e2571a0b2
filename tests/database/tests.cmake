list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PluTableTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluDatabaseFileTest.cpp
)
