# kor_add_diag_program(<name> SOURCES <src>... [LIBS <lib>...])
#   A diagnostic program: the host shell's main, the program's own sources
#   (its plug, VarnDiags::MODULE_NAME and VarnDiags::HostDapi2::PROGRAM_HOOKS)
#   and the shell library, which brings the framework and libdapi2.so.
function(kor_add_diag_program name)
    cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${PROJECT_SOURCE_DIR}/src/HostDapi2/main.cpp ${P_SOURCES})
    target_link_libraries(${name} PRIVATE ${P_LIBS} diaghost)
endfunction()
