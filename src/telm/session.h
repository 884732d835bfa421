#pragma once

namespace telm {

// Opens the direct link for one object call: a connected socket, or -1, -5,
// -6, -7, -9.
int dzBypOpen(int type);
// Prints the login failure line (always, not through the gate); returns code.
int dzBypAuthFailed(int code);

} // namespace telm
