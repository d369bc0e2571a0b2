list(APPEND ORVEX_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SheetRows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CsvSheet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OdsSheet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XlsSheet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OoxmlSheet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SheetWriters.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SheetTemplate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluSheet.cpp
)
list(APPEND ORVEX_VIEWS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TExpImpForm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetExchange.cpp
)
