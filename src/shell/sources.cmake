list(APPEND ORVEX_VIEWS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Browser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CaptionApplier.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommanderHelp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FailedSaveQuery.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FormSet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HintsPanel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeptSettings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainMenus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FindRegisterDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RegisterSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MenuShortcutGuard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Screenshots.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StartPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TDLForm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TIntroForm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TUserForm.cpp
)
