list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/SheetTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluSheetTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SheetReadersTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SheetTemplateTest.cpp
)
list(APPEND ORVEX_VIEWS_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetExchangeTest.cpp
)
