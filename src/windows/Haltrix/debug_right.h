#pragma once

namespace haltrix {

// Enables the debug privilege in this process's token, so that processes of
// other users can be opened; 1 when done, 0 after printing the failed step.
int EnableDebugRight();

} // namespace haltrix
