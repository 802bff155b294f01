# Warnings and sanitizers for every Ostrel target, and one helper per kind of target.

set(OSTREL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Woverloaded-virtual -Wimplicit-fallthrough)

function(ostrel_target_defaults target)
    target_compile_options(${target} PRIVATE ${OSTREL_WARNINGS})
    if(OSTREL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(OSTREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
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

# ostrel_add_test(name SOURCES ... LIBS ... [QTEST])
# One test executable per area, registered with CTest: GoogleTest unless QTEST says Qt Test.
# Every test runs on Qt's offscreen platform, so none needs a display.
function(ostrel_add_test name)
    cmake_parse_arguments(ARG "QTEST" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    if(ARG_QTEST)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
    else()
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    endif()
    ostrel_target_defaults(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
        TIMEOUT 300)
endfunction()
