# kor_unloadable(<target>)
#   A shared library its host can unload again once every user has closed it,
#   as a plain C library would be. GCC marks some symbols (static locals of
#   inline functions, static members of templates) as GNU unique, and the
#   dynamic loader never unloads a library that holds one; other compilers make
#   no such symbols and do not know the flag.
function(kor_unloadable target)
    target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
endfunction()
