#pragma once

// The simulated controller behind the controller library's OS port.

#include "OsPort.h"
#include "qorsim/Simulator.h"

namespace fsatest {

class SimPort : public fsa::OsPort {
public:
    explicit SimPort(qorsim::Simulator& sim) : m_sim(sim) {}
    int open(const char* path, int flags, unsigned mode) override {
        return m_sim.open(path, flags, mode);
    }
    int close(int fd) override { return m_sim.close(fd); }
    int ioctl(int fd, unsigned long request, void* arg) override {
        return m_sim.ioctl(fd, request, arg);
    }
    int fcntl(int fd, int cmd, void* arg) override { return m_sim.fcntl(fd, cmd, arg); }

private:
    qorsim::Simulator& m_sim;
};

} // namespace fsatest
