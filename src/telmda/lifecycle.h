// What the attach sets up, for the parts that need it.
#pragma once

namespace telmda {

// The host context lock allocated at the first attach (null while detached).
void* contextLock();

} // namespace telmda
