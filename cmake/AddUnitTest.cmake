# add_unit_test(NAME <name> SOURCES <files...> LIBS <targets...> [ENV <VAR=value...>])
# One QtTest executable per class or area, registered with CTest. Tests find their fixtures and
# the built programs through compile definitions, never through relative paths.
find_package(Qt6 REQUIRED COMPONENTS Test)

function(add_unit_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    set_target_properties(${T_NAME} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests"
        HALVEX_TEST ON)
    target_link_libraries(${T_NAME} PRIVATE halvex_common halvex_testsupport Qt6::Test ${T_LIBS})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;${T_ENV}")
endfunction()
