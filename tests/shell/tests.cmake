list(APPEND ORVEX_VIEWS_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/TUserFormTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FindRegisterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeptSettingsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IntroAndHelpTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CaptionConformanceTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowHistoryTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowGatewayTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowSizeTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtSerbianTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SerbianTextsTest.cpp
)
