// vorbdb.dll as a 64-bit JVM would use it: loaded by name, its exports looked
// up by undecorated names, the natives called with a JNIEnv, its paths taken
// from the Windows directory when it is loaded.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "expected_exports.h"
#include "fake_jni_env.h"

namespace fs = std::filesystem;

namespace {

// The DLL loaded for one scope; DllMain builds its paths at each load.
class Dll {
public:
    Dll() : module_(LoadLibraryA("vorbdb.dll")) {}
    ~Dll() {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;
    bool loaded() const { return module_ != nullptr; }
    HMODULE module() const { return module_; }
    template <class Fn> Fn* get(const std::string& name) const {
        return reinterpret_cast<Fn*>(
            reinterpret_cast<void*>(GetProcAddress(module_, name.c_str())));
    }
    template <class Fn> Fn* native(const std::string& method) const {
        return get<Fn>("Java_vorbinst_tools_QVDBJIntf_" + method);
    }

private:
    HMODULE module_;
};

// Names in the DLL's export directory.
std::set<std::string> exportedNames(HMODULE module) {
    auto base = reinterpret_cast<const unsigned char*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        result.insert(reinterpret_cast<const char*>(base + names[i]));
    return result;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return in ? content.str() : "<missing>";
}

void writeFile(const fs::path& file, const std::string& content) {
    std::ofstream(file, std::ios::binary) << content;
}

class DllTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vorbdb-dll-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        SetEnvironmentVariableA("WINDIR", dir_.string().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("WINDIR", windowsDirectory().c_str());
        fs::remove_all(dir_);
    }
    static std::string windowsDirectory() {
        char buffer[MAX_PATH];
        UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
        return std::string(buffer, n);
    }
    fs::path dir_;
};

TEST_F(DllTest, ExportsExactlyTheIntendedUndecoratedNames) {
    Dll dll;
    ASSERT_TRUE(dll.loaded());
    EXPECT_EQ(exportedNames(dll.module()), expectedExports());
}

TEST_F(DllTest, DatabaseLivesInTheWindowsDirectory) {
    Dll dll;
    ASSERT_TRUE(dll.loaded());
    auto update = dll.get<int(int, int, const char*)>("AuQVDBInstallUpdate");
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(update(15, 5, "C:\\Zutr\\unins.exe"), 0);
    EXPECT_EQ(readFile(dir_ / "qvinstal.db"), "zutr.uninstallstring=C:\\Zutr\\unins.exe\r\n");
}

TEST_F(DllTest, WindowsDirectoryIsTakenOnlyWhenExpandedAndFitting) {
    auto installCheck = [](const Dll& dll) { return dll.get<int()>("AuQVDBInstallCheck")(); };
    writeFile(dir_ / "qvinsflg.db", "");
    {
        SetEnvironmentVariableA("WINDIR", (dir_.string() + "\\").c_str());
        Dll dll;
        EXPECT_EQ(installCheck(dll), 1) << "a trailing backslash is kept single";
    }
    // Anything unusable falls back to the system's Windows directory.
    const fs::path systemFlag = fs::path(windowsDirectory()) / "qvinsflg.db";
    ASSERT_FALSE(fs::exists(systemFlag));
    const std::string tooLong = "C:\\" + std::string(300, 'd');
    for (const char* windir : {static_cast<const char*>(nullptr), "C:\\x%y", tooLong.c_str()}) {
        SCOPED_TRACE(windir != nullptr ? windir : "unset");
        SetEnvironmentVariableA("WINDIR", windir);
        {
            Dll dll;
            EXPECT_EQ(installCheck(dll), 0);
        }
        writeFile(systemFlag, "");
        {
            Dll dll;
            EXPECT_EQ(installCheck(dll), 1);
        }
        fs::remove(systemFlag);
    }
}

TEST_F(DllTest, NativesWorkThroughAJniEnv) {
    Dll dll;
    ASSERT_TRUE(dll.loaded());
    FakeJni jni;
    JNIEnv* env = jni.env();
    jclass cls = nullptr;
    using UpdateString = jint JNICALL(JNIEnv*, jclass, jint, jstring, jstring);
    using SelectString = jstring JNICALL(JNIEnv*, jclass, jint, jstring);
    using Select = jstring JNICALL(JNIEnv*, jclass, jint, jint);
    using Update = jint JNICALL(JNIEnv*, jclass, jint, jint, jstring);
    using IntOfInt = jint JNICALL(JNIEnv*, jclass, jint);
    using IntOfTwo = jint JNICALL(JNIEnv*, jclass, jint, jint);
    using BoolOfTwo = jboolean JNICALL(JNIEnv*, jclass, jint, jint);
    using BoolOfNone = jboolean JNICALL(JNIEnv*, jclass);
    using TextOfNone = jstring JNICALL(JNIEnv*, jclass);
    using TextOfInt = jstring JNICALL(JNIEnv*, jclass, jint);
    using IntOfText = jint JNICALL(JNIEnv*, jclass, jstring);
    using Component = jint JNICALL(JNIEnv*, jclass, jint, jstring, jstring, jstring, jstring,
                                   jstring, jstring, jstring);
    for (const std::string& method : nativeMethodNames())
        EXPECT_NE(dll.native<void()>(method), nullptr) << method;

    auto updateString = dll.native<UpdateString>("AuQVDBInstallUpdateString");
    auto selectString = dll.native<SelectString>("AuQVDBInstallSelectString");
    const std::string unicode = "Gr\xC3\xBC\xC3\x9F"
                                "e \xED\xA0\xB4\xED\xB4\x9E";
    EXPECT_EQ(updateString(env, cls, 15, jni.string("installpath"), jni.string(unicode)), 0);
    EXPECT_EQ(jni.text(selectString(env, cls, 15, jni.string("installpath"))), unicode);
    EXPECT_EQ(updateString(env, cls, 15, nullptr, jni.string("x")), -1);
    EXPECT_EQ(updateString(env, cls, 15, jni.string("installdrive"), nullptr), -1);
    EXPECT_EQ(jni.text(selectString(env, cls, 15, nullptr)), "<null>");

    // Bytes a Windows program wrote in the ANSI code page.
    writeFile(dir_ / "qvinstal.db", "zutr.installdrive=caf\xE9\r\n");
    EXPECT_EQ(jni.text(selectString(env, cls, 15, jni.string("installdrive"))), "caf\xC3\xA9");

    EXPECT_EQ(dll.native<Update>("AuQVDBInstallUpdate")(env, cls, 15, 5, jni.string("u")), 0);
    EXPECT_EQ(jni.text(dll.native<Select>("AuQVDBInstallSelect")(env, cls, 15, 5)), "u");
    EXPECT_EQ(dll.native<IntOfTwo>("AuQVDBInstallDelete")(env, cls, 15, 5), 0);
    EXPECT_EQ(jni.text(dll.native<Select>("AuQVDBInstallSelect")(env, cls, 15, 5)), "<null>");
    EXPECT_EQ(dll.native<Component>("AuQVDBInstallUpdateComponent")(
                  env, cls, 15, jni.string("Zutr"), jni.string(""), jni.string("unins"),
                  jni.string("1.0"), jni.string(""), jni.string("0"), jni.string("")),
              0);
    EXPECT_EQ(dll.native<Component>("AuQVDBInstallUpdateComponent")(
                  env, cls, 15, jni.string("Zutr"), nullptr, jni.string(""), jni.string(""),
                  jni.string(""), jni.string(""), jni.string("")),
              -1);
    EXPECT_EQ(readFile(dir_ / "qvinstal.db"),
              "zutr.uninstallDisplayName=Zutr\r\nzutr.uninstallstring=unins\r\n"
              "zutr.installedversion=1.0\r\nzutr.installationresult=0\r\n");
    EXPECT_EQ(dll.native<IntOfInt>("AuQVDBInstallDeleteAll")(env, cls, 15), 0);
    EXPECT_EQ(readFile(dir_ / "qvinstal.db"), "");

    EXPECT_EQ(dll.native<IntOfTwo>("AuQVDBUpdateLink")(env, cls, 1, 2), 0);
    EXPECT_EQ(dll.native<BoolOfTwo>("AuQVDBSelectLink")(env, cls, 1, 2), JNI_TRUE);
    EXPECT_EQ(dll.native<BoolOfTwo>("AuQVDBSelectLink")(env, cls, 99, 2), JNI_FALSE);
    EXPECT_EQ(dll.native<BoolOfNone>("AuQVDBInstallCheck")(env, cls), JNI_FALSE);

    std::string projects =
        jni.text(dll.native<TextOfNone>("AuQVDBGetProjectsStringArray")(env, cls));
    EXPECT_EQ(projects.rfind("Corvance,Strandix,", 0), 0u) << projects;
    EXPECT_EQ(projects.substr(projects.size() - 8), "QVTools,");
    std::string parameters =
        jni.text(dll.native<TextOfNone>("AuQVDBGetParameterStringArray")(env, cls));
    EXPECT_EQ(parameters.rfind("installationresult,installerrormsgid,", 0), 0u) << parameters;
    EXPECT_EQ(parameters.substr(parameters.size() - 9), "systemid,");
    EXPECT_EQ(jni.text(dll.native<TextOfInt>("AuQVDBConvertProjectIDToString")(env, cls, 15)),
              "zutr");
    EXPECT_EQ(jni.text(dll.native<TextOfInt>("AuQVDBConvertProjectIDToString")(env, cls, 0)),
              "<null>");
    EXPECT_EQ(dll.native<IntOfText>("AuQVDBConvertStringToProjectID")(env, cls, jni.string("ZUTR")),
              15);
    EXPECT_EQ(dll.native<IntOfText>("AuQVDBConvertStringToProjectID")(env, cls, nullptr), -1);
    EXPECT_EQ(jni.text(dll.native<TextOfInt>("AuQVDBConvertParameterIDToString")(env, cls, 16)),
              "systemid");
    EXPECT_EQ(
        dll.native<IntOfText>("AuQVDBConvertStringToParameterID")(env, cls, jni.string("SystemID")),
        16);
    EXPECT_EQ(dll.native<IntOfInt>("AuQVDBApplicationType")(env, cls, 12), 1001);
    EXPECT_EQ(dll.native<IntOfInt>("AuQVDBApplicationType")(env, cls, 99), 1000);
    EXPECT_EQ(jni.text(dll.native<TextOfNone>("AuQVDBVersionInfo")(env, cls)), "3.4.0.1");

    EXPECT_EQ(jni.unreleasedChars(), 0);
    EXPECT_TRUE(jni.invalidTexts().empty());
}

} // namespace
