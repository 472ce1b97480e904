# What the sanitizer build's tests add to their environment. Tests on a real X display
# also draw with Qt's software renderer there: Mesa's drivers leak at exit, from
# modules LeakSanitizer cannot name.
set(TESSIVAR_SANITIZER_ENVIRONMENT "")
set(TESSIVAR_X11_SANITIZER_ENVIRONMENT "")
if(TESSIVAR_SANITIZE)
    set(TESSIVAR_SANITIZER_ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0")
    set(TESSIVAR_X11_SANITIZER_ENVIRONMENT "${TESSIVAR_SANITIZER_ENVIRONMENT};QT_QUICK_BACKEND=software")
endif()

# tessivar_add_test(<name> SOURCES <files...> LIBS <targets...> LABEL <subsystem>)
# One Qt Test executable per subject, registered with CTest and labelled by subsystem.
# Tests run offscreen, each in a fresh temporary working folder made by the test itself.
function(tessivar_add_test name)
    cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test tessivar_test_support ${T_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set(environment "QT_QPA_PLATFORM=offscreen;TESSIVAR_BIN_DIR=${PROJECT_BINARY_DIR}/bin")
    list(APPEND environment ${TESSIVAR_SANITIZER_ENVIRONMENT})
    set_tests_properties(${name} PROPERTIES
        LABELS "${T_LABEL}"
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "${environment}")
endfunction()
