// Native methods of the installer's Java class vorbinst.tools.QVDBJIntf, one
// per AuQVDB* function. Failures come back as null, -1, 0 or false; no Java
// exception is raised. Only the conversion of a result into a Java string can
// throw here: the functions the natives call keep their exceptions.
#include <jni.h>

#include <cstring>
#include <string>

#include "exported_call.h"
#include "os_port.h"
#include "text_encoding.h"
#include "vorbdb/vorbdb.h"

namespace {

constexpr jint kNoApplicationType = 1000;
// The length the functions are handed; they set it but nothing reads it here.
constexpr int kUnusedLength = 256;

// A Java string's modified UTF-8 bytes, released on every path.
class JavaArg {
public:
    JavaArg(JNIEnv* env, jstring text)
        : env_(env), text_(text),
          chars_(text != nullptr ? env->GetStringUTFChars(text, nullptr) : nullptr) {}
    ~JavaArg() {
        if (chars_ != nullptr)
            env_->ReleaseStringUTFChars(text_, chars_);
    }
    JavaArg(const JavaArg&) = delete;
    JavaArg& operator=(const JavaArg&) = delete;
    const char* get() const { return chars_; }
    bool given() const { return chars_ != nullptr; }

private:
    JNIEnv* env_;
    jstring text_;
    const char* chars_;
};

// A Java string of bytes read from the file. They may come from any writer,
// so they are made valid modified UTF-8 first: UTF-8 as it is, anything else
// read in the platform's legacy code page.
jstring javaString(JNIEnv* env, std::string_view bytes) {
    auto units = vorbdb::decodeUtf8(bytes);
    std::string text =
        vorbdb::encodeModifiedUtf8(units ? *units : vorbdb::os::legacyToUtf16(bytes));
    return env->NewStringUTF(text.c_str());
}

// Hands a returned block to Java and frees it; null when the call failed or
// the text could not be converted.
jstring takeBlock(JNIEnv* env, int result, char* block) {
    jstring text = vorbdb::exportedCall("The Java string of a result", jstring{nullptr}, [&] {
        return result == 0 && block != nullptr ? javaString(env, block) : nullptr;
    });
    AuQVDBFreeMemory(reinterpret_cast<void**>(&block));
    return text;
}

// A NUL-separated name list as one string, each name followed by a comma.
jstring takeNameList(JNIEnv* env, int result, char* block, int count) {
    if (result == 0 && block != nullptr) {
        char* name = block;
        for (int i = 0; i < count; ++i) {
            name += std::strlen(name);
            *name++ = ',';
        }
    }
    return takeBlock(env, result, block);
}

// The two id tables have the same three conversions.
jstring nameList(JNIEnv* env, int (*list)(char**, int*)) {
    char* names = nullptr;
    int count = 0;
    int result = list(&names, &count);
    return takeNameList(env, result, names, count);
}

jstring idToName(JNIEnv* env, int (*convert)(int, char**), jint id) {
    char* name = nullptr;
    int result = convert(id, &name);
    return takeBlock(env, result, name);
}

jint nameToId(JNIEnv* env, int (*convert)(const char*, int*), jstring name) {
    JavaArg text(env, name);
    int id = -1;
    return text.given() && convert(text.get(), &id) == 0 ? id : -1;
}

jboolean javaBool(int value) {
    return value != 0 ? JNI_TRUE : JNI_FALSE;
}

} // namespace

#ifdef VORBDB_EXPORTS_LISTED
// The module-definition file exports the natives under their decorated names.
#define QVDB_EXPORT
#else
#define QVDB_EXPORT JNIEXPORT
#endif
#define QVDB_NATIVE(type, name) QVDB_EXPORT type JNICALL Java_vorbinst_tools_QVDBJIntf_##name

extern "C" {

QVDB_NATIVE(jint, AuQVDBInstallDelete)(JNIEnv*, jclass, jint project, jint parameter) {
    return AuQVDBInstallDelete(project, parameter);
}

QVDB_NATIVE(jstring, AuQVDBInstallSelect)(JNIEnv* env, jclass, jint project, jint parameter) {
    char* value = nullptr;
    int length = kUnusedLength;
    int result = AuQVDBInstallSelect(project, parameter, &value, &length);
    return takeBlock(env, result, value);
}

QVDB_NATIVE(jint, AuQVDBInstallUpdate)
(JNIEnv* env, jclass, jint project, jint parameter, jstring value) {
    JavaArg text(env, value);
    return text.given() ? AuQVDBInstallUpdate(project, parameter, text.get()) : -1;
}

QVDB_NATIVE(jint, AuQVDBInstallDeleteAll)(JNIEnv*, jclass, jint project) {
    return AuQVDBInstallDeleteAll(project);
}

QVDB_NATIVE(jstring, AuQVDBInstallSelectString)
(JNIEnv* env, jclass, jint project, jstring parameter) {
    JavaArg name(env, parameter);
    if (!name.given())
        return nullptr;
    char* value = nullptr;
    int length = kUnusedLength;
    int result = AuQVDBInstallSelectString(project, name.get(), &value, &length);
    return takeBlock(env, result, value);
}

QVDB_NATIVE(jint, AuQVDBInstallUpdateString)
(JNIEnv* env, jclass, jint project, jstring parameter, jstring value) {
    JavaArg name(env, parameter);
    JavaArg text(env, value);
    return name.given() && text.given() ? AuQVDBInstallUpdateString(project, name.get(), text.get())
                                        : -1;
}

QVDB_NATIVE(jboolean, AuQVDBInstallCheck)(JNIEnv*, jclass) {
    return javaBool(AuQVDBInstallCheck());
}

QVDB_NATIVE(jstring, AuQVDBGetProjectsStringArray)(JNIEnv* env, jclass) {
    return nameList(env, AuQVDBGetProjectsStringArray);
}

QVDB_NATIVE(jstring, AuQVDBConvertProjectIDToString)(JNIEnv* env, jclass, jint project) {
    return idToName(env, AuQVDBConvertProjectIDToString, project);
}

QVDB_NATIVE(jint, AuQVDBConvertStringToProjectID)(JNIEnv* env, jclass, jstring name) {
    return nameToId(env, AuQVDBConvertStringToProjectID, name);
}

QVDB_NATIVE(jint, AuQVDBUpdateLink)(JNIEnv*, jclass, jint projectA, jint projectB) {
    return AuQVDBUpdateLink(projectA, projectB);
}

QVDB_NATIVE(jboolean, AuQVDBSelectLink)(JNIEnv*, jclass, jint projectA, jint projectB) {
    return javaBool(AuQVDBSelectLink(projectA, projectB));
}

QVDB_NATIVE(jint, AuQVDBApplicationType)(JNIEnv*, jclass, jint project) {
    int type = kNoApplicationType;
    return AuQVDBApplicationType(project, &type) == 0 ? type : kNoApplicationType;
}

QVDB_NATIVE(jstring, AuQVDBVersionInfo)(JNIEnv* env, jclass) {
    char* text = nullptr;
    int length = kUnusedLength;
    int result = AuQVDBVersionInfo(&text, &length);
    return takeBlock(env, result, text);
}

QVDB_NATIVE(jstring, AuQVDBGetParameterStringArray)(JNIEnv* env, jclass) {
    return nameList(env, AuQVDBGetParameterStringArray);
}

QVDB_NATIVE(jstring, AuQVDBConvertParameterIDToString)(JNIEnv* env, jclass, jint parameter) {
    return idToName(env, AuQVDBConvertParameterIDToString, parameter);
}

QVDB_NATIVE(jint, AuQVDBConvertStringToParameterID)(JNIEnv* env, jclass, jstring name) {
    return nameToId(env, AuQVDBConvertStringToParameterID, name);
}

QVDB_NATIVE(jint, AuQVDBInstallUpdateComponent)
(JNIEnv* env, jclass, jint project, jstring uninstallDisplayName, jstring uninstalltype,
 jstring uninstallstring, jstring installedversion, jstring qvadisplaystring,
 jstring installationresult, jstring installerrormsgid) {
    const JavaArg texts[] = {{env, uninstallDisplayName}, {env, uninstalltype},
                             {env, uninstallstring},      {env, installedversion},
                             {env, qvadisplaystring},     {env, installationresult},
                             {env, installerrormsgid}};
    for (const JavaArg& text : texts)
        if (!text.given())
            return -1;
    return AuQVDBInstallUpdateComponent(project, texts[0].get(), texts[1].get(), texts[2].get(),
                                        texts[3].get(), texts[4].get(), texts[5].get(),
                                        texts[6].get());
}

} // extern "C"
