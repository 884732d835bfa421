# Compile through ccache when it is installed, so a machine that built before
# recompiles only what changed. The base directory makes cache entries
# independent of where the checkout lives.
find_program(KOR_CCACHE ccache)
if(KOR_CCACHE)
    foreach(lang C CXX)
        if(NOT CMAKE_${lang}_COMPILER_LAUNCHER)
            set(CMAKE_${lang}_COMPILER_LAUNCHER
                ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} ${KOR_CCACHE})
        endif()
    endforeach()
endif()
