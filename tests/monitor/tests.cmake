list(APPEND ORVEX_CORE_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/JournalDecoderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/JournalGoldenTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/JournalRecordTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExternalPluRequestTest.cpp
)
list(APPEND ORVEX_VIEWS_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/MonitorPageTest.cpp
)
