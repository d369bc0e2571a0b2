# The register gateway over HTTP on loopback, against the in-process simulator,
# and the orvex-gateway program driven from Python and curl.
list(APPEND ORVEX_GATEWAY_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/GatewayFixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayServerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayReceiptTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayProgramTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReceiptRequestTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayConfigTest.cpp
)
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/GatewayProgramTest.cpp APPEND PROPERTY COMPILE_DEFINITIONS
    ORVEX_GATEWAY_PROGRAM="$<TARGET_FILE:orvex-gateway>"
    ORVEX_GATEWAY_DRIVER="${CMAKE_CURRENT_LIST_DIR}/drive_gateway.py")
# The test binary is declared after this list is read.
cmake_language(DEFER CALL add_dependencies orvex_gateway_tests orvex-gateway)
