#include "fake_jni_env.h"

#include <cstring>

struct FakeJni::Holder {
    JNIEnv env; // first, so the JNIEnv pointer leads back here
    JNINativeInterface_ functions;
    FakeJni* self;
};

namespace {

// Modified UTF-8: one- to three-byte sequences, no raw NUL.
bool isModifiedUtf8(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        int extra = *p < 0x80 ? 0 : (*p & 0xE0) == 0xC0 ? 1 : (*p & 0xF0) == 0xE0 ? 2 : -1;
        if (extra < 0)
            return false;
        ++p;
        for (int i = 0; i < extra; ++i, ++p)
            if ((*p & 0xC0) != 0x80)
                return false;
    }
    return true;
}

} // namespace

FakeJni::FakeJni() : holder_(new Holder{}) {
    std::memset(&holder_->functions, 0, sizeof holder_->functions);
    holder_->functions.NewStringUTF = newStringUtf;
    holder_->functions.GetStringUTFChars = getStringUtfChars;
    holder_->functions.ReleaseStringUTFChars = releaseStringUtfChars;
    holder_->env.functions = &holder_->functions;
    holder_->self = this;
}

FakeJni::~FakeJni() = default;

JNIEnv* FakeJni::env() {
    return &holder_->env;
}

FakeJni& FakeJni::of(JNIEnv* env) {
    return *reinterpret_cast<Holder*>(env)->self;
}

jstring FakeJni::string(const std::string& utf) {
    strings_.push_back(std::make_unique<std::string>(utf));
    return reinterpret_cast<jstring>(strings_.back().get());
}

std::string FakeJni::text(jstring s) const {
    return s == nullptr ? "<null>" : *reinterpret_cast<std::string*>(s);
}

jstring JNICALL FakeJni::newStringUtf(JNIEnv* env, const char* utf) {
    FakeJni& self = of(env);
    if (!isModifiedUtf8(utf))
        self.invalid_.push_back(utf);
    return self.string(utf);
}

const char* JNICALL FakeJni::getStringUtfChars(JNIEnv* env, jstring s, jboolean* isCopy) {
    if (isCopy != nullptr)
        *isCopy = JNI_TRUE;
    ++of(env).unreleased_;
    return strdup(reinterpret_cast<std::string*>(s)->c_str());
}

void JNICALL FakeJni::releaseStringUtfChars(JNIEnv* env, jstring, const char* chars) {
    --of(env).unreleased_;
    std::free(const_cast<char*>(chars));
}
