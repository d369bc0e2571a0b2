# The Debian package, built by CPack from this build tree into a temporary
# folder and read back with dpkg-deb (only where the packaging rules exist).
if(TARGET orvex_package_files)
    add_test(NAME DebianPackage
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/CheckPackage.sh ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}/CPackConfig.cmake
                     ${CMAKE_SOURCE_DIR} $<IF:$<BOOL:${ORVEX_PANDOC}>,man,noman>)
    set_tests_properties(DebianPackage PROPERTIES LABELS package TIMEOUT 300)
endif()
