# Texts and run settings that core code reads as well as the views: the
# caption tables and the shell's settings for this run.
list(APPEND ORVEX_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ShellSettings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Captions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SystemReasons.cpp
)
list(APPEND ORVEX_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FileHeadWriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SafeFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TerminationSignals.cpp
)
