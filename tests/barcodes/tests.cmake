list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/BarcodeOptionsFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WeighingBarcodeTest.cpp
)
list(APPEND ORVEX_VIEWS_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/TBarcodeFormTest.cpp
)
