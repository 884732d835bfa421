// Ctrl-C while the host runs asks the running test to stop; a second one ends the process
// as usual.
#ifndef DAPI2_INTERRUPT_H
#define DAPI2_INTERRUPT_H

#include <csignal>

namespace dapi2 {

bool interrupted();
void clearInterrupted();

// Catches SIGINT for its lifetime, then puts the previous handling back.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

private:
    struct sigaction previous_ {};
};

} // namespace dapi2

#endif // DAPI2_INTERRUPT_H
