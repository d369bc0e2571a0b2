list(APPEND ORVEX_VIEWS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/CharacterFilter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CharsetSwitch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecimalSeparator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ElidedLabel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FieldBuilders.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileDialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LimitMark.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageBoxes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ModePage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtSerbian.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TitleRoom.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TypedKeys.cpp
)
