// A JNIEnv of our own for calling the DLL's native methods where no JVM runs:
// it implements the three calls the natives use, checks that every text
// handed to NewStringUTF is modified UTF-8, and counts unreleased chars.
#pragma once

#include <jni.h>

#include <memory>
#include <string>
#include <vector>

class FakeJni {
public:
    FakeJni();
    ~FakeJni();
    FakeJni(const FakeJni&) = delete;
    FakeJni& operator=(const FakeJni&) = delete;

    JNIEnv* env();
    // A Java string holding these modified UTF-8 bytes.
    jstring string(const std::string& utf);
    // The bytes of a string the natives made; "<null>" for null.
    std::string text(jstring s) const;

    int unreleasedChars() const { return unreleased_; }
    // Texts given to NewStringUTF that were not modified UTF-8.
    const std::vector<std::string>& invalidTexts() const { return invalid_; }

private:
    struct Holder;
    static FakeJni& of(JNIEnv* env);
    static jstring JNICALL newStringUtf(JNIEnv* env, const char* utf);
    static const char* JNICALL getStringUtfChars(JNIEnv* env, jstring s, jboolean* isCopy);
    static void JNICALL releaseStringUtfChars(JNIEnv* env, jstring s, const char* chars);

    std::unique_ptr<Holder> holder_;
    std::vector<std::unique_ptr<std::string>> strings_;
    int unreleased_ = 0;
    std::vector<std::string> invalid_;
};
