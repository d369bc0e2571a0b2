list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/TextFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluPrintoutTest.cpp
)
list(APPEND ORVEX_VIEWS_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PrintDuringTrafficTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewerSaveAndPrintTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TPLUPrintFormTest.cpp
)
