# The history store: a service on QtCore and Qt SQL, no widget. It has a
# library of its own (orvex_history) so that only its users link Qt SQL.
list(APPEND ORVEX_HISTORY_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HistoryTarget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistorySchema.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryRows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReceiptAssembler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistorySql.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReportJson.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryRecorder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistorySummary.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryFigures.cpp
)
list(APPEND ORVEX_HISTORY_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HistoryReader.cpp
)
# The History page: charts (Qt Charts) of what the history keeps.
list(APPEND ORVEX_VIEWS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HistoryCharts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryPage.cpp
)
