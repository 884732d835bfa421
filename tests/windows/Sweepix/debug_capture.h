// Collects what the program writes to the Windows debug output: the system
// raises DBG_PRINTEXCEPTION_C for every text, which a vectored handler sees
// before the system's own handler delivers it to a debugger.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class DebugCapture {
public:
    DebugCapture() {
        handler_ = AddVectoredExceptionHandler(1, &DebugCapture::onException);
        active_ = this;
    }
    ~DebugCapture() {
        RemoveVectoredExceptionHandler(handler_);
        active_ = nullptr;
    }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    const std::vector<std::string>& texts() const { return texts_; }
    std::string all() const {
        std::string joined;
        for (const auto& t : texts_)
            joined += t;
        return joined;
    }
    void clear() { texts_.clear(); }

private:
    static LONG CALLBACK onException(EXCEPTION_POINTERS* info) {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        if (active_ && record->ExceptionCode == DBG_PRINTEXCEPTION_C &&
            record->NumberParameters >= 2) {
            auto length = static_cast<std::size_t>(record->ExceptionInformation[0]);
            const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
            // The length counts the terminator.
            active_->texts_.emplace_back(text, length > 0 ? length - 1 : 0);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline DebugCapture* active_ = nullptr;
    PVOID handler_;
    std::vector<std::string> texts_;
};
