# The register gateway over HTTP on loopback, against the in-process simulator.
list(APPEND ORVEX_GATEWAY_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/GatewayFixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayServerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayReceiptTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReceiptRequestTest.cpp
)
