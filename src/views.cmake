# The program: views over the link and core layers.
add_executable(orvex-commander ${CMAKE_CURRENT_LIST_DIR}/shell/main.cpp)
target_link_libraries(orvex-commander PRIVATE orvex_link Qt6::Widgets)
