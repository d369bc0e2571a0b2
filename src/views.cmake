# The views layer and the program. Views sources come from the subsystem
# folders' sources.cmake (ORVEX_VIEWS_SOURCES).
if(ORVEX_VIEWS_SOURCES)
    add_library(orvex_views STATIC ${ORVEX_VIEWS_SOURCES})
    # The window records into the sales history.
    target_link_libraries(orvex_views PUBLIC orvex_link orvex_history orvex_gateway Qt6::Widgets Qt6::PrintSupport)
    # The History page's charts and the pictures they are saved as.
    find_package(Qt6 REQUIRED COMPONENTS Charts Svg)
    target_link_libraries(orvex_views PUBLIC Qt6::Charts Qt6::Svg)
    if(TARGET orvex_sim)
        target_link_libraries(orvex_views PUBLIC orvex_sim)
    endif()
endif()

add_executable(orvex-commander ${CMAKE_CURRENT_LIST_DIR}/shell/main.cpp)
add_dependencies(orvex-commander orvex-xls-reader)
if(TARGET orvex_views)
    target_link_libraries(orvex-commander PRIVATE orvex_views)
else()
    target_link_libraries(orvex-commander PRIVATE orvex_link Qt6::Widgets)
endif()
if(TARGET orvex_sim)
    target_link_libraries(orvex-commander PRIVATE orvex_sim)
endif()
