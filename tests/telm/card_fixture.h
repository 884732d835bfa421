// A simulated card on the card's address, serving one test at a time.
#pragma once

#include "card_sim.h"
#include "fast_clock.h"

#include <gtest/gtest.h>

namespace telmtest {

inline cardsim::Config standardCard() {
    cardsim::Config config;
    config.objects[{16, 2, 0}] = "192.168.234.236";
    config.objects[{16, 6, 0}] = "racuser";
    config.objects[{16, 7, 0}] = "0";
    config.objects[{16, 8, 0}] = "racpass";
    config.objects[{3, 1, 0}] = "fw 1.20";
    config.commands["setgmt"] = {"ok", 0};
    config.commands["getsysinfo"] = {"Firmware Version = 1.20", 0};
    config.commands["racreset"] = {"", 5};
    config.commands["bigoutput"] = {std::string(16, 'o'), 0}; // 17 bytes with its NUL
    config.users["admin"] = "secret";
    config.users["op"] = "pw";
    return config;
}

class CardTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(card.start(&error)) << error;
    }
    void TearDown() override { card.stop(); }

    size_t requests() const { return card.journal().size(); }
    cardsim::Request lastRequest() const {
        auto journal = card.journal();
        return journal.empty() ? cardsim::Request{} : journal.back();
    }

    FastClockScope fast;
    cardsim::CardSim card{standardCard()};
};

} // namespace telmtest
