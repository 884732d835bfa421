#include "answer.h"

#include "telmda/telmda.h"

namespace telmda {

void Answer::help(const char* text) {
    textNode("CmdHelp", text);
    m_status = -1;
}

void Answer::badInput(const char* name, std::int32_t status) {
    textNode("CmdHelp", (std::string(name) + " input missing or bad").c_str());
    m_status = status;
}

char* outOfMemoryAnswer() noexcept {
    return kor::callguard::guardedCall(
        static_cast<char*>(nullptr),
        []() -> char* {
            Answer answer;
            if (!answer)
                return nullptr;
            answer.setStatus(TELMDA_STATUS_NO_MEMORY);
            return answer.finish();
        },
        [](const char*) {});
}

char* Answer::finish() {
    OCSDASCatSMStatusNode(buf(), m_status, m_hasMessage ? m_message.c_str() : nullptr);
    return m_buf.takeText();
}

bool requireInput(std::int32_t count, OCSParamList params, const char* name, std::int32_t kind,
                  void* out, Answer& answer) {
    const std::int32_t rc = OCSDASNVPValToXVal(count, params, name, kind, out);
    if (rc != 0)
        answer.badInput(name, rc);
    return rc == 0;
}

bool requireUserInfo(std::int32_t count, OCSParamList params, Answer& answer,
                     const char** userInfo) {
    return requireInput(count, params, "qvausrinfo", OCS_KIND_TEXT, userInfo, answer);
}

} // namespace telmda
