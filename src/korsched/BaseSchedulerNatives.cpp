// Native methods of com.varn.diagnostic.obj.scheduler.BaseScheduler.
#include "Scheduler.h"

#include "callguard/guarded_call.h"

#include <jni.h>

#include <iostream>
#include <optional>
#include <string>

namespace {

const char* const kCrontab = "/etc/crontab";
const char* const kLockFile = "/run/korsched.lock";

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xc0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xe0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    }
}

// A Java string as standard UTF-8 (not the JVM's modified form, which hides
// NUL and splits supplementary characters). Nothing for a null string; an
// unpaired surrogate becomes U+FFFD, which no check lets through to a name.
std::optional<std::string> toUtf8(JNIEnv* env, jstring text) {
    if (text == nullptr)
        return std::nullopt;
    const jsize length = env->GetStringLength(text);
    const jchar* units = env->GetStringChars(text, nullptr);
    if (units == nullptr)
        return std::nullopt;
    // Released on every way out, a failed allocation included.
    const struct Held {
        JNIEnv* env;
        jstring text;
        const jchar* units;
        ~Held() { env->ReleaseStringChars(text, units); }
    } held{env, text, units};
    std::string out;
    for (jsize i = 0; i < length; ++i) {
        char32_t code = units[i];
        if (code >= 0xd800 && code <= 0xdbff && i + 1 < length && units[i + 1] >= 0xdc00 &&
            units[i + 1] <= 0xdfff) {
            code = 0x10000 + ((code - 0xd800) << 10) + (units[i + 1] - 0xdc00);
            ++i;
        } else if (code >= 0xd800 && code <= 0xdfff) {
            code = 0xfffd;
        }
        appendUtf8(out, code);
    }
    return out;
}

// Runs a native's body; should an exception leave it (a crontab too large for
// the memory left, say), the console says why and the native answers 0.
template <class Body> jint guarded(const char* method, Body&& body) noexcept {
    return kor::callguard::guardedCall(jint{0}, body, [method](const char* why) {
        std::cout << "korsched.so - BaseScheduler." << method << "() : Failed: " << why << "\n";
        std::cout.flush();
    });
}

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_varn_diagnostic_obj_scheduler_BaseScheduler_scheduleTask(
    JNIEnv* env, jobject, jint month, jint day, jint year, jint hour, jint minute,
    jint scheduleType, jstring appName, jstring appPath, jstring taskName, jstring runtimeParam) {
    return guarded("scheduleTask", [&]() -> jint {
        const auto name = toUtf8(env, appName);
        const auto path = toUtf8(env, appPath);
        const auto task = toUtf8(env, taskName);
        const auto param = toUtf8(env, runtimeParam);
        if (!name || !path || !task || !param) {
            std::cout << "korsched.so - BaseScheduler.scheduleTask() : a required string is null\n";
            return 0;
        }
        korsched::ScheduleRequest request;
        request.month = month;
        request.day = day;
        request.year = year;
        request.hour = hour;
        request.minute = minute;
        request.type = korsched::scheduleTypeFromCode(scheduleType);
        request.appName = *name;
        request.appPath = *path;
        request.taskName = *task;
        request.runtimeParam = *param;
        korsched::Scheduler scheduler(kCrontab, kLockFile, std::cout);
        const int result = scheduler.scheduleTask(request);
        std::cout.flush();
        return result;
    });
}

JNIEXPORT jint JNICALL Java_com_varn_diagnostic_obj_scheduler_BaseScheduler_deleteTask(
    JNIEnv* env, jobject, jstring appName, jstring, jstring) {
    return guarded("deleteTask", [&]() -> jint {
        const auto name = toUtf8(env, appName);
        if (!name) {
            std::cout
                << "korsched.so - BaseScheduler.deleteTask() : the application name is null\n";
            return 0;
        }
        korsched::Scheduler scheduler(kCrontab, kLockFile, std::cout);
        const int result = scheduler.deleteTask(*name);
        std::cout.flush();
        return result;
    });
}

JNIEXPORT jint JNICALL
Java_com_varn_diagnostic_obj_scheduler_BaseScheduler_isSchedulerSupported(JNIEnv*, jobject) {
    return 1;
}

} // extern "C"
