list(APPEND ORVEX_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BarcodeTypeTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BarcodeOptionsFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WeighingBarcode.cpp
)
list(APPEND ORVEX_VIEWS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BarcodeGridDelegate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TBarcodeForm.cpp
)
