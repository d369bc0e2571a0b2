list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/CaptionsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SafeFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SystemReasonsTest.cpp
)
