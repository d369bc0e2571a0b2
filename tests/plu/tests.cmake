list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PluRecordTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluMessagesTest.cpp
)
list(APPEND ORVEX_LINK_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PluTransferTest.cpp
)
list(APPEND ORVEX_SIM_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PluTransferSimTest.cpp
)
list(APPEND ORVEX_VIEWS_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PluPageTest.cpp
)
# Long runs against the simulator under every line fault at once: ctest label
# `soak`, run by ./orvex soak and left out of ./orvex test.
list(APPEND ORVEX_SOAK_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/PluTransferSoakTest.cpp
)
