# Warnings and sanitizers for every Ostrel target, and one helper per kind of target.

set(OSTREL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Woverloaded-virtual -Wimplicit-fallthrough)

function(ostrel_target_defaults target)
    target_compile_options(${target} PRIVATE ${OSTREL_WARNINGS})
    if(OSTREL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(OSTREL_SANITIZE AND OSTREL_SANITIZE_THREAD)
    message(FATAL_ERROR "OSTREL_SANITIZE and OSTREL_SANITIZE_THREAD cannot be combined: one build each")
endif()
if(OSTREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
if(OSTREL_SANITIZE_THREAD)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

# ostrel_add_library(name SOURCES ... LIBS ...)
# A library that links no Qt target cannot include a Qt header: Qt's headers are only on the
# include path of targets that link Qt. That is how the Qt-free cores stay Qt-free.
function(ostrel_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    ostrel_target_defaults(${name})
endfunction()

# ostrel_add_test(name SOURCES ... LIBS ... [MAIN NONE|CORE|GUI|OWN])
# One GoogleTest program per area, registered with CTest. Its folder, tests/<kind>/<area>/,
# gives its kind, unit, integration or gui, which is also its CTest label (`ctest -L unit`).
# It links the shared main of tests/support, which runs it in a scratch folder of its own
# (offscreen, own home and XDG folders, own working folder) and creates the application
# object its kind needs: none for unit tests, a QCoreApplication for integration tests, a
# QApplication for gui tests. MAIN chooses another one; OWN links none, for a test that
# still brings its own main.
function(ostrel_add_test name)
    cmake_parse_arguments(ARG "" "MAIN" "SOURCES;LIBS" ${ARGN})
    file(RELATIVE_PATH area ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
    string(REGEX MATCH "^[^/]+" kind "${area}")
    if(kind STREQUAL "unit")
        set(main NONE)
    elseif(kind STREQUAL "integration")
        set(main CORE)
    elseif(kind STREQUAL "gui")
        set(main GUI)
    else()
        message(FATAL_ERROR "${name}: a test lives in tests/unit, tests/integration or tests/gui, not in tests/${area}")
    endif()
    if(ARG_MAIN)
        set(main ${ARG_MAIN})
    endif()
    set(main_NONE ostrel_test_main)
    set(main_CORE ostrel_core_test_main)
    set(main_GUI ostrel_gui_test_main)
    set(main_OWN "")
    if(NOT DEFINED main_${main})
        message(FATAL_ERROR "${name}: MAIN is NONE, CORE, GUI or OWN, not ${main}")
    endif()

    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock ${main_${main}})
    ostrel_target_defaults(${name})
    add_test(NAME ${name} COMMAND ${name})
    set(environment "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
        "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1")
    if(main STREQUAL "OWN")
        list(APPEND environment "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${environment}"
        LABELS ${kind}
        FIXTURES_REQUIRED ostrel_hermetic
        TIMEOUT 300)
endfunction()
