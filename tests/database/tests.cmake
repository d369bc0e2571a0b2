list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PluTableTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluDatabaseFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluCellsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluSettingsTest.cpp
)
list(APPEND ORVEX_VIEWS_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/TDataFormTest.cpp
)
