#pragma once

// An adapter opened read-write on the simulated controller described by the
// test's JSON, and sub-commands answered by the test.

#include "SimFixture.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace fsatest {

// What a sub-command answered by the test was sent.
struct Sent {
    int count = 0;
    std::uint32_t words[3] = {};
    std::vector<std::uint8_t> data; // the first 72 request bytes
};

class OpsTest : public OpenAdapterTest {
protected:
    explicit OpsTest(const char* json) : m_json(json) {}
    std::string config() const override { return m_json; }
    // Sub-command `cmd` answers `status` (and `word1`) and counts what it was sent.
    std::shared_ptr<Sent> answer(std::uint32_t cmd, std::uint32_t status, std::uint32_t word1 = 0) {
        auto sent = std::make_shared<Sent>();
        sim.registerContainer(cmd, [sent, status, word1](qorsim::CtRequest& c) {
            ++sent->count;
            std::copy(c.param, c.param + 3, sent->words);
            sent->data.assign(c.in, c.in + 72);
            c.reply[0] = status;
            c.reply[1] = word1;
        });
        return sent;
    }

private:
    const char* m_json;
};

} // namespace fsatest
