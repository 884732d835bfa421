#pragma once
// Base of every queued event: a growable text stream the reporter writes
// its message into.

#include <sstream>
#include <string>

namespace VarnDiags::System {

class IEvent : public std::ostringstream {
public:
    IEvent() = default;
    ~IEvent() override = default;

    // The text streamed in so far; the event stays usable afterwards.
    std::string getEventString() const { return str(); }
};

} // namespace VarnDiags::System
