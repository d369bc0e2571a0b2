# The register calls of the gateway: their checks, and each run against the
# simulated register; the gateway over HTTP on loopback, against the in-process
# simulator, and the orvex-gateway program driven from Python and curl.
list(APPEND ORVEX_GATEWAY_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/GatewayRequestsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayOperationsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayFixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayServerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayReceiptTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayProgramTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReceiptRequestTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/JournalAmountTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GatewayConfigTest.cpp
)
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/GatewayProgramTest.cpp APPEND PROPERTY COMPILE_DEFINITIONS
    ORVEX_GATEWAY_PROGRAM="$<TARGET_FILE:orvex-gateway>"
    ORVEX_SIM_PROGRAM="$<TARGET_FILE:orvex-register-sim>"
    ORVEX_GATEWAY_GUIDE="${CMAKE_SOURCE_DIR}/docs/gateway.md"
    ORVEX_GATEWAY_DRIVER="${CMAKE_CURRENT_LIST_DIR}/drive_gateway.py")

# The gateway's soak (many minutes; ./orvex soak): a separate simulated register
# on a faulty line, the gateway killed and restarted at random moments.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND AND NOT ORVEX_CORE_LINK_ONLY)
    add_test(NAME GatewaySoak
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/soak_gateway.py
                     $<TARGET_FILE:orvex-gateway> $<TARGET_FILE:orvex-register-sim>
                     ${CMAKE_CURRENT_BINARY_DIR}/gateway-soak 1000 10)
    set_tests_properties(GatewaySoak PROPERTIES LABELS soak TIMEOUT 3600 SKIP_RETURN_CODE 77)
    # ./orvex soak builds the soak binary: the programs this one runs come with it.
    cmake_language(DEFER CALL orvex_gateway_soak_programs)
    function(orvex_gateway_soak_programs)
        if(TARGET orvex_soak_tests)
            add_dependencies(orvex_soak_tests orvex-gateway orvex-register-sim)
        endif()
    endfunction()
endif()
