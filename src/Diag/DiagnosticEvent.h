#pragma once
// An event a test queues while it runs: code, type, parameter and the text
// streamed into it.

#include "System/IEvent.h"

namespace VarnDiags::Diag {

class DiagnosticEvent : public System::IEvent {
public:
    enum EventType { INFORMATION_EVENT = 0, WARNING_EVENT = 1, ERROR_EVENT = 2 };

    DiagnosticEvent() = default;
    DiagnosticEvent(unsigned int code, EventType type, unsigned int parameter)
        : m_code(code), m_type(type), m_parameter(parameter) {}
    ~DiagnosticEvent() override = default;

    void setEventCode(unsigned int code) { m_code = code; }
    unsigned int getEventCode() const { return m_code; }
    void setEventType(EventType type) { m_type = type; }
    EventType getEventType() const { return m_type; }
    void setEventParameter(unsigned int parameter) { m_parameter = parameter; }
    unsigned int getEventParameter() const { return m_parameter; }

private:
    unsigned int m_code = 0;
    EventType m_type = INFORMATION_EVENT;
    unsigned int m_parameter = 0;
};

} // namespace VarnDiags::Diag
