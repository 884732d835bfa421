# Cross toolchain for the 32-bit Windows deliverables: mingw-w64, i686, win32
# threads (the posix thread library would import functions Windows NT 4.0
# lacks), static runtime. The headers are held at NT 4.0 so that they hide
# what that system does not have; the image headers declare it as the oldest
# system the files run on. These machines cannot execute the result: the tree
# is checked by reading its files.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# What the build does differently for NT 4.0 and its standard-call exports.
set(KOR_WINDOWS_NT4 ON)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

foreach(lang C CXX RC)
    set(CMAKE_${lang}_FLAGS_INIT "-D_WIN32_WINNT=0x0400 -DWINVER=0x0400")
endforeach()

set(kor_nt4_image "-Wl,--major-os-version,4,--minor-os-version,0,--major-subsystem-version,4,--minor-subsystem-version,0")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ ${kor_nt4_image}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ ${kor_nt4_image}")
