#pragma once
// A time stamp slot of a result. No time is recorded by this system; the
// type exists so results can carry start and completion stamps.

namespace VarnDiags::System {

class DateTime {};

} // namespace VarnDiags::System
