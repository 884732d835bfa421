# The build's own options, one per concern, and what each adds to every target.
# They are appended to the compile and link options, so the flags a user gives
# (CFLAGS, CXXFLAGS, CMAKE_<LANG>_FLAGS) stay in force.

option(KOR_WERROR "Treat compiler warnings as errors" OFF)
set(KOR_SANITIZE "" CACHE STRING
    "Sanitizers every target is built with, as -fsanitize= lists them (address,undefined or thread)")
option(KOR_FUZZ "Also build the libFuzzer targets (clang only)" OFF)
# Off in a tree whose programs cannot run on this machine: it builds only the
# deliverables and checks them by reading their files.
option(KOR_BEHAVIOUR_TESTS "Build and register the tests that run the code" ON)

add_compile_options(-Wall -Wextra)
if(KOR_WERROR)
    add_compile_options(-Werror)
endif()

if(KOR_SANITIZE)
    add_compile_options(-fsanitize=${KOR_SANITIZE} -fno-omit-frame-pointer)
    add_link_options(-fsanitize=${KOR_SANITIZE})
    # Undefined behaviour stops the program, as a memory fault does.
    if(KOR_SANITIZE MATCHES "undefined")
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()

if(KOR_FUZZ)
    # Coverage for libFuzzer in every target; only the fuzzers link its main.
    add_compile_options(-fsanitize=fuzzer-no-link)
    add_link_options(-fsanitize=fuzzer-no-link)
endif()
