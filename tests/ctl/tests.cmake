# orvexctl, run in this process against the simulated register, and as a
# program against orvex-register-sim.
list(APPEND ORVEX_CTL_TESTS
    ${CMAKE_CURRENT_LIST_DIR}/OrvexCtlTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OrvexCtlScriptTest.cpp
)
