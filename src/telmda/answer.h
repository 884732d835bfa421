// The frame every command handler follows: an answer buffer, the "cmdhelp"
// short cut, a status (and message) node at the end, the text handed over.
#pragma once

#include "host.h"

#include "callguard/guarded_call.h"

#include <cstdint>
#include <string>

namespace telmda {

class Answer {
public:
    Answer() = default;

    explicit operator bool() const { return static_cast<bool>(m_buf); }
    OCSXBuf* buf() const { return m_buf.get(); }

    void setStatus(std::int32_t status) { m_status = status; }
    void setStatus(std::int32_t status, std::string message) {
        m_status = status;
        m_message = std::move(message);
        m_hasMessage = true;
    }
    std::int32_t status() const { return m_status; }

    void textNode(const char* name, const char* text) {
        OCSXBufCatNode(buf(), name, nullptr, OCS_KIND_TEXT, text);
    }
    // The "CmdHelp" node with the given text, and status -1.
    void help(const char* text);
    // A required input was missing or bad: its "CmdHelp" note and the status.
    void badInput(const char* name, std::int32_t status);

    // Appends the status node and hands the text over.
    char* finish();

private:
    XmlBuffer m_buf;
    std::int32_t m_status = 0;
    std::string m_message;
    bool m_hasMessage = false;
};

// A fresh answer holding only the status "out of memory", or none when even
// that cannot be made.
char* outOfMemoryAnswer() noexcept;

// Runs a handler body in the frame. With a help text, "cmdhelp" answers it
// and the body is not run. An exception (memory used up, say) must not reach
// the host: what was answered so far is dropped and the answer is the status
// "out of memory" alone.
template <typename Body>
char* runHandler(std::int32_t count, OCSParamList params, const char* helpText,
                 Body&& body) noexcept {
    bool threw = false;
    char* text = kor::callguard::guardedCall(
        static_cast<char*>(nullptr),
        [&]() -> char* {
            Answer answer;
            if (!answer)
                return nullptr;
            if (helpText && helpRequested(count, params))
                answer.help(helpText);
            else
                body(answer);
            return answer.finish();
        },
        [&](const char*) { threw = true; });
    return threw ? outOfMemoryAnswer() : text;
}

// A required input converted to `kind`; false (with its "CmdHelp" note and
// the conversion's status in the answer) when missing or bad.
bool requireInput(std::int32_t count, OCSParamList params, const char* name, std::int32_t kind,
                  void* out, Answer& answer);

// "qvausrinfo", required by every handler that changes a setting; false
// (with the note and status in the answer) when missing or bad.
bool requireUserInfo(std::int32_t count, OCSParamList params, Answer& answer,
                     const char** userInfo);

} // namespace telmda
