// Calls vorbdb.dll's natives from the command line, as a JVM on Windows
// would call them (the DLL loaded by name, the natives looked up by name and
// given a JNIEnv of our own), so that the DLL can be shown under wine:
//   vorbdb_dll_call set PROJECT PARAMETER VALUE
//   vorbdb_dll_call get PROJECT PARAMETER
//   vorbdb_dll_call delete PROJECT PARAMETER
//   vorbdb_dll_call delete-all PROJECT
// PROJECT and PARAMETER are names ("zutr", "installpath"). Prints the call
// and its result; exit code 0, 2 when the DLL or a native is missing, 64 for
// a bad command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake_jni_env.h"

namespace {

using IntOfText = jint JNICALL(JNIEnv*, jclass, jstring);
using IntOfInt = jint JNICALL(JNIEnv*, jclass, jint);
using IntOfTwoInts = jint JNICALL(JNIEnv*, jclass, jint, jint);
using UpdateString = jint JNICALL(JNIEnv*, jclass, jint, jstring, jstring);
using SelectString = jstring JNICALL(JNIEnv*, jclass, jint, jstring);

template <class Fn> Fn* native(HMODULE dll, const char* method) {
    const std::string name = std::string("Java_vorbinst_tools_QVDBJIntf_") + method;
    Fn* fn = reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(dll, name.c_str())));
    if (fn == nullptr) {
        std::fprintf(stderr, "vorbdb.dll exports no %s\n", name.c_str());
        std::exit(2);
    }
    return fn;
}

int usage() {
    std::fprintf(stderr, "usage: vorbdb_dll_call set PROJECT PARAMETER VALUE\n"
                         "       vorbdb_dll_call get PROJECT PARAMETER\n"
                         "       vorbdb_dll_call delete PROJECT PARAMETER\n"
                         "       vorbdb_dll_call delete-all PROJECT\n");
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    const int needed = command == "set"          ? 5
                       : command == "get"        ? 4
                       : command == "delete"     ? 4
                       : command == "delete-all" ? 3
                                                 : 0;
    if (needed == 0 || argc != needed)
        return usage();
    HMODULE dll = LoadLibraryA("vorbdb.dll");
    if (dll == nullptr) {
        std::fprintf(stderr, "cannot load vorbdb.dll (error %lu)\n", GetLastError());
        return 2;
    }
    FakeJni jni;
    JNIEnv* env = jni.env();
    jclass cls = nullptr;
    const jint project =
        native<IntOfText>(dll, "AuQVDBConvertStringToProjectID")(env, cls, jni.string(argv[2]));
    std::printf("AuQVDBConvertStringToProjectID(\"%s\") -> %ld\n", argv[2],
                static_cast<long>(project));
    if (command == "set") {
        const jint result = native<UpdateString>(dll, "AuQVDBInstallUpdateString")(
            env, cls, project, jni.string(argv[3]), jni.string(argv[4]));
        std::printf("AuQVDBInstallUpdateString(%ld, \"%s\", \"%s\") -> %ld\n",
                    static_cast<long>(project), argv[3], argv[4], static_cast<long>(result));
    } else if (command == "get") {
        const jstring value = native<SelectString>(dll, "AuQVDBInstallSelectString")(
            env, cls, project, jni.string(argv[3]));
        std::printf("AuQVDBInstallSelectString(%ld, \"%s\") -> %s\n", static_cast<long>(project),
                    argv[3], value ? ("\"" + jni.text(value) + "\"").c_str() : "null");
    } else if (command == "delete") {
        // The one native that names a record by number: the parameter's
        // number comes from its name, as the installer gets it.
        const jint parameter = native<IntOfText>(dll, "AuQVDBConvertStringToParameterID")(
            env, cls, jni.string(argv[3]));
        std::printf("AuQVDBConvertStringToParameterID(\"%s\") -> %ld\n", argv[3],
                    static_cast<long>(parameter));
        const jint result =
            native<IntOfTwoInts>(dll, "AuQVDBInstallDelete")(env, cls, project, parameter);
        std::printf("AuQVDBInstallDelete(%ld, %ld) -> %ld\n", static_cast<long>(project),
                    static_cast<long>(parameter), static_cast<long>(result));
    } else {
        const jint result = native<IntOfInt>(dll, "AuQVDBInstallDeleteAll")(env, cls, project);
        std::printf("AuQVDBInstallDeleteAll(%ld) -> %ld\n", static_cast<long>(project),
                    static_cast<long>(result));
    }
    FreeLibrary(dll);
    return 0;
}
