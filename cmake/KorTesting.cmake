# Test helpers shared by every area.
#
# kor_add_test(<name> SOURCES <src>... [LIBS <lib>...] [SANDBOX] [SANDBOX_ARGS <arg>...]
#              [TIMEOUT <s>] [LABELS <l>...] [ENV <VAR=value>...] [NO_GTEST_MAIN]
#              [WINE_PREFIX <prefix>] [WINE_DISPLAY])
#   Builds a GoogleTest executable and registers it with CTest. SANDBOX runs it
#   through tests/sandbox/kor-sandbox (private /etc, /run, /tmp and network).
#   TIMEOUT (default 300 s) is the limit in the sanitizer tree; see
#   kor_set_test_timeout.
#   A test defined where KOR_THREADED_AREA is on gets the label "threaded" and
#   joins the target kor_threaded_tests.
#   In the Windows tree the test runs under wine, in the prefix named by
#   WINE_PREFIX (default: the run's shared prefix). WINE_DISPLAY runs it on a
#   virtual X display, one test at a time, and ends the prefix's wine
#   processes afterwards: for tests that show windows or terminate processes
#   by broad patterns, in a prefix of their own.
#
# kor_set_test_timeout(<test> <seconds>)
#   Sets a test's time limit, given as fitted to the sanitizer tree (ASan and
#   UBSan), scaled by KOR_TEST_TIME_FACTOR for the tree it runs in.
#
# kor_add_wine_prefix(<prefix> [SHAPE <command>...])
#   A wine prefix made fresh once per test run, before the first test that
#   names it. SHAPE then runs with the prefix's directory as last argument
#   (to drop or add drive letters, for example).
#
# kor_add_fuzzer(<name> SOURCES <src>... [LIBS <lib>...] [INCLUDES <dir>...])
#   Builds a libFuzzer target in the fuzz tree only; its seeds live in
#   tests/fuzz/corpus/<name>/. INCLUDES are the directories of internal
#   headers the target reads, relative to the project's root.
#
# kor_copy_beside(<target> <copy> [FOR <program>...])
#   Keeps <copy> (a file path) equal to the file <target> builds, for programs
#   that load or start it from their own directory: the copy is made again
#   whenever that file changes. Every test of the Windows tree, and each
#   <program> named, depends on all such copies, so that building any of them
#   brings every copy up to date. The test copy_of_<target>_is_current
#   checks the copy after the build.

set(KOR_SANDBOX ${PROJECT_SOURCE_DIR}/tests/sandbox/kor-sandbox CACHE INTERNAL "")
if(KOR_FUZZ)
    add_custom_target(kor_fuzzers)
elseif(NOT WIN32)
    # Everything the tests of threaded code need, and nothing else: the
    # ThreadSanitizer run of `make test` builds only this.
    add_custom_target(kor_threaded_tests)
endif()

# ThreadSanitizer runs the same tests more slowly than the sanitizer tree
# does: the controller library's fault sweeps took 2.3 to 2.5 times as long
# there, run side by side on the same machine, and the reshape sweep took
# 493 s against its 150 s on an 8-processor machine at load 34-38, even run
# ahead of the other work. Its limits are six times the sanitizer tree's.
if(KOR_SANITIZE MATCHES "thread")
    set(KOR_TEST_TIME_FACTOR 6)
else()
    set(KOR_TEST_TIME_FACTOR 1)
endif()

function(kor_set_test_timeout test seconds)
    math(EXPR limit "${seconds} * ${KOR_TEST_TIME_FACTOR}")
    set_tests_properties(${test} PROPERTIES TIMEOUT ${limit})
endfunction()

function(kor_wine_prefix_dir prefix out)
    set(${out} ${CMAKE_BINARY_DIR}/wineprefix-${prefix} PARENT_SCOPE)
endfunction()

function(kor_add_wine_prefix prefix)
    cmake_parse_arguments(W "" "" "SHAPE" ${ARGN})
    kor_wine_prefix_dir(${prefix} dir)
    add_test(NAME wine_${prefix}_prefix_setup
             COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix-make ${dir} ${W_SHAPE})
    # One prefix is made at a time: wine setting up several fresh prefixes at
    # once has failed to load kernel32.dll in one of them.
    set_tests_properties(wine_${prefix}_prefix_setup PROPERTIES
                         FIXTURES_SETUP wine_${prefix}_prefix RESOURCE_LOCK wine_prefix_making
                         TIMEOUT 600)
endfunction()

if(NOT KOR_BEHAVIOUR_TESTS)
    # Nothing here runs code: no test framework and no wine prefix.
elseif(WIN32)
    # GoogleTest is built in the cross tree from the sources Debian ships.
    if(NOT TARGET gtest)
        set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        foreach(t gtest gtest_main gmock gmock_main)
            target_compile_options(${t} PRIVATE -w)
            if(NOT TARGET GTest::${t})
                add_library(GTest::${t} ALIAS ${t})
            endif()
        endforeach()
    endif()
    # The prefix Windows tests share unless they name another.
    kor_add_wine_prefix(shared)
    # Every copy made by kor_copy_beside; each test of the tree depends on it.
    add_custom_target(kor_copies)
else()
    find_package(GTest REQUIRED)
endif()

function(kor_add_test name)
    cmake_parse_arguments(T "SANDBOX;NO_GTEST_MAIN;WINE_DISPLAY" "TIMEOUT;WINE_PREFIX"
                          "SOURCES;LIBS;SANDBOX_ARGS;LABELS;ENV" ${ARGN})
    if(KOR_FUZZ)
        # The fuzz tree builds only fuzzers; tests exist there but are not built.
        add_executable(${name} EXCLUDE_FROM_ALL ${T_SOURCES})
        target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    if(T_NO_GTEST_MAIN)
        target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest)
    else()
        target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
    endif()
    if(T_SANDBOX)
        add_test(NAME ${name} COMMAND ${KOR_SANDBOX} ${T_SANDBOX_ARGS} -- $<TARGET_FILE:${name}>)
    elseif(T_WINE_DISPLAY)
        add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/windows/wine-gui-run
                                      $<TARGET_FILE:${name}>)
        set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    kor_set_test_timeout(${name} ${T_TIMEOUT})
    if(KOR_THREADED_AREA AND NOT WIN32)
        list(APPEND T_LABELS threaded)
        add_dependencies(kor_threaded_tests ${name})
    endif()
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
    if(T_ENV)
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT ${T_ENV})
    endif()
    if(WIN32)
        if(NOT T_WINE_PREFIX)
            set(T_WINE_PREFIX shared)
        endif()
        kor_wine_prefix_dir(${T_WINE_PREFIX} dir)
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT KOR_WINEPREFIX=${dir})
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_${T_WINE_PREFIX}_prefix)
        add_dependencies(${name} kor_copies)
    endif()
endfunction()

function(kor_copy_beside target copy)
    cmake_parse_arguments(C "" "" "FOR" ${ARGN})
    # DEPENDS on the target gives a file-level dependency on what it builds,
    # so a relink of the target alone makes the copy again.
    add_custom_command(OUTPUT ${copy}
                       COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${copy}
                       DEPENDS ${target} VERBATIM)
    add_custom_target(copy_of_${target} DEPENDS ${copy})
    add_dependencies(kor_copies copy_of_${target})
    foreach(program ${C_FOR})
        add_dependencies(${program} kor_copies)
    endforeach()
    add_test(NAME copy_of_${target}_is_current
             COMMAND ${CMAKE_COMMAND} -E compare_files $<TARGET_FILE:${target}> ${copy})
endfunction()

function(kor_add_fuzzer name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
    if(NOT KOR_FUZZ)
        return()
    endif()
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    list(TRANSFORM F_INCLUDES PREPEND ${PROJECT_SOURCE_DIR}/)
    target_include_directories(${name} PRIVATE ${F_INCLUDES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
    add_dependencies(kor_fuzzers ${name})
endfunction()
