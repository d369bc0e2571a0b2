list(APPEND ORVEX_SIM_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PeerTableTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SellingDayTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FaultOptionsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/InProcessRegisterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimCommandLineTest.cpp
)
