# Test helpers shared by every area.
#
# kor_add_test(<name> SOURCES <src>... [LIBS <lib>...] [SANDBOX] [SANDBOX_ARGS <arg>...]
#              [TIMEOUT <s>] [LABELS <l>...] [ENV <VAR=value>...] [NO_GTEST_MAIN])
#   Builds a GoogleTest executable and registers it with CTest. SANDBOX runs it
#   through tests/sandbox/kor-sandbox (private /etc, /run, /tmp and network).
#   A test defined where KOR_THREADED_AREA is on gets the label "threaded" and
#   joins the target kor_threaded_tests.
#
# kor_add_fuzzer(<name> SOURCES <src>... [LIBS <lib>...])
#   Builds a libFuzzer target in the fuzz tree only; its seeds live in
#   tests/fuzz/corpus/<name>/.

set(KOR_SANDBOX ${PROJECT_SOURCE_DIR}/tests/sandbox/kor-sandbox CACHE INTERNAL "")
if(KOR_FUZZ)
    add_custom_target(kor_fuzzers)
elseif(NOT WIN32)
    # Everything the tests of threaded code need, and nothing else: the
    # ThreadSanitizer run of `make test` builds only this.
    add_custom_target(kor_threaded_tests)
endif()

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
    # One wine prefix per test run, made fresh before the first Windows test.
    set(KOR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE INTERNAL "")
    add_test(NAME wine_prefix_setup
             COMMAND sh -c "rm -rf '${KOR_WINEPREFIX}' && WINEPREFIX='${KOR_WINEPREFIX}' WINEDEBUG=-all wineboot -i && WINEPREFIX='${KOR_WINEPREFIX}' wineserver -w")
    set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 600)
else()
    find_package(GTest REQUIRED)
endif()

function(kor_add_test name)
    cmake_parse_arguments(T "SANDBOX;NO_GTEST_MAIN" "TIMEOUT"
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
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
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
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT KOR_WINEPREFIX=${KOR_WINEPREFIX})
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
    endif()
endfunction()

function(kor_add_fuzzer name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT KOR_FUZZ)
        return()
    endif()
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
    add_dependencies(kor_fuzzers ${name})
endfunction()
