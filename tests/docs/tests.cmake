# The manuals: the examples marked to run in README.md and docs/ run against
# simulated registers with the built programs; each manual page names exactly
# the options its program's --help prints; the orvexctl completion completes.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND AND TARGET orvexctl AND TARGET orvex-gateway AND TARGET orvex-commander)
    file(GLOB ORVEX_GUIDES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.md)
    add_test(NAME DocExamples
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/run_doc_examples.py
                     "$<TARGET_FILE_DIR:orvexctl>:$<TARGET_FILE_DIR:orvex-gateway>:$<TARGET_FILE_DIR:orvex-register-sim>"
                     ${CMAKE_SOURCE_DIR}/README.md ${ORVEX_GUIDES})
    set_tests_properties(DocExamples PROPERTIES LABELS docs TIMEOUT 600)

    set(man ${CMAKE_SOURCE_DIR}/docs/man)
    add_test(NAME ManPageOptions
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_man_options.py
                     ${man}/orvex-commander.1.md=$<TARGET_FILE:orvex-commander>
                     ${man}/orvexctl.1.md=$<TARGET_FILE:orvexctl>
                     ${man}/orvex-gateway.8.md=$<TARGET_FILE:orvex-gateway>
                     ${man}/orvex-register-sim.1.md=$<TARGET_FILE:orvex-register-sim>)
    set_tests_properties(ManPageOptions PROPERTIES LABELS docs TIMEOUT 120)

    add_test(NAME OrvexctlCompletion
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_completion.sh
                     ${CMAKE_SOURCE_DIR}/packaging/orvexctl.bash-completion $<TARGET_FILE:orvexctl>)
    set_tests_properties(OrvexctlCompletion PROPERTIES LABELS docs TIMEOUT 120)
endif()

# The window's help tests read the help the program ships.
set_property(SOURCE ${CMAKE_SOURCE_DIR}/tests/shell/IntroAndHelpTest.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             ORVEX_SOURCE_HELP_DIR="${CMAKE_SOURCE_DIR}/docs/help")
