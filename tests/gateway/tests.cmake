# The register calls of the gateway: their checks, and each run against the
# simulated register.
list(APPEND ORVEX_GATEWAY_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/GatewayRequestsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayOperationsTest.cpp
)
