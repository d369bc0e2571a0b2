# The history store, on SQLite and (when ./orvex test has started a cluster)
# on PostgreSQL.
list(APPEND ORVEX_HISTORY_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/HistoryTargetTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryStoreTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryDayTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryRecorderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryCommandTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryFiguresTest.cpp
)
# The History page, with the window's views.
list(APPEND ORVEX_VIEWS_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/HistoryPageTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryWindowTest.cpp
)
