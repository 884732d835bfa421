#pragma once
// A device that records what is done to it.

#include "DeviceEnum/IDevice.h"

namespace testing_support {

struct DeviceJournal {
    int opens = 0;
    int closes = 0;
    int deletions = 0;
};

class FakeDevice : public VarnDiags::DeviceEnum::IDevice {
public:
    explicit FakeDevice(DeviceJournal& journal, bool valid = true, int openResult = 0)
        : m_journal(journal), m_openResult(openResult) {
        m_valid = valid;
    }
    ~FakeDevice() override { ++m_journal.deletions; }

    IDevice* clone(const char*) override { return new FakeDevice(m_journal); }
    int open(AccessMode) override {
        ++m_journal.opens;
        return m_openResult;
    }
    void close() override { ++m_journal.closes; }
    int useCount() const { return m_useCount; }

private:
    DeviceJournal& m_journal;
    int m_openResult;
};

} // namespace testing_support
