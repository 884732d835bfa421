/* Machine-dependent JNI definitions for the Windows cross build: the JDK on
 * this machine carries only its Linux ones. Windows keeps int and long at 32
 * bits, and native methods use the standard calling convention. */
#ifndef KOR_JNI_WINDOWS_MD_H
#define KOR_JNI_WINDOWS_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
