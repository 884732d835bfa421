# Java native methods are tested from a real JVM.
#
# kor_add_java_test(<name> SOURCES <file.java>... MAIN <class> NATIVE_LIB <target>
#                   [SANDBOX] [SANDBOX_ARGS <arg>...] [TIMEOUT <s>] [LABELS <l>...])
#   Compiles the Java sources (the outside classes declared under platform/java
#   plus the test's own driver) into a jar and runs MAIN with -Xcheck:jni,
#   with java.library.path at NATIVE_LIB's directory. MAIN exits non-zero when
#   a check fails. Every such test carries the label "jvm": the
#   ThreadSanitizer runtime cannot be loaded into a JVM (dlopen of libtsan
#   fails with "cannot allocate memory"), so the tsan tree leaves them out.
#
# KOR_JDK: the JDK whose jni.h the natives are built against, in every tree
# (the Windows trees pair it with a jni_md.h of their own).

# Debian's JDK 17 unless JAVA_HOME names another.
if(DEFINED ENV{JAVA_HOME})
    set(KOR_JDK $ENV{JAVA_HOME})
else()
    set(KOR_JDK /usr/lib/jvm/java-17-openjdk-amd64)
endif()

if(WIN32 OR KOR_FUZZ)
    function(kor_add_java_test)
    endfunction()
    return()
endif()

if(EXISTS ${KOR_JDK})
    set(JAVA_HOME ${KOR_JDK})
endif()
find_package(Java 17 REQUIRED COMPONENTS Development Runtime)
find_package(JNI REQUIRED COMPONENTS JVM)
include(UseJava)

set(KOR_JAVA_RUNNER ${CMAKE_CURRENT_LIST_DIR}/java-run CACHE INTERNAL "")

function(kor_add_java_test name)
    cmake_parse_arguments(J "SANDBOX" "MAIN;NATIVE_LIB;TIMEOUT" "SOURCES;SANDBOX_ARGS;LABELS" ${ARGN})
    add_jar(${name} SOURCES ${J_SOURCES} OUTPUT_NAME ${name})
    add_dependencies(${name} ${J_NATIVE_LIB})
    get_target_property(jar ${name} JAR_FILE)
    set(cmd ${KOR_JAVA_RUNNER} ${Java_JAVA_EXECUTABLE} $<TARGET_FILE:${J_NATIVE_LIB}> ${jar} ${J_MAIN})
    if(J_SANDBOX)
        set(cmd ${KOR_SANDBOX} ${J_SANDBOX_ARGS} -- ${cmd})
    endif()
    add_test(NAME ${name} COMMAND ${cmd})
    if(NOT J_TIMEOUT)
        set(J_TIMEOUT 120)
    endif()
    kor_set_test_timeout(${name} ${J_TIMEOUT})
    list(APPEND J_LABELS jvm)
    set_tests_properties(${name} PROPERTIES LABELS "${J_LABELS}")
endfunction()
