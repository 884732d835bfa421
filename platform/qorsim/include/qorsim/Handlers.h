// What a handler of the simulated controller sees of one request. Handlers
// are registered per FIB command, container sub-command, SCSI sub-operation
// and event-and-task request code (Simulator::registerXxx).
#pragma once

#include "qorsim/Model.h"
#include "qorsim/Wire.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace qorsim {

class Simulator;

// A FIB sent to the controller; the handler writes the reply over it.
struct FibRequest {
    Simulator& sim;
    Adapter& adapter;
    int fd; // the client's device-node descriptor
    std::uint8_t* fib;

    std::uint16_t command() const { return get16(fib, kCommand); }
    std::uint32_t word(std::size_t i) const { return get32(fib, kFibHeader + 4 * i); }
    void setWord(std::size_t i, std::uint32_t v) { put32(fib, kFibHeader + 4 * i, v); }
    // Reply size, counted from the start of the FIB.
    void setReplySize(std::uint16_t bytes) { put16(fib, kSize, bytes); }
};
using FibHandler = std::function<void(FibRequest&)>;

// One container command (FIB 500, request kind 2). The handler leaves its
// reply parameter words in reply[] (preset to the request's words) and its
// reply data in data; data longer than 432 bytes goes back through the
// continuation protocol. A handler that does not accept the request sets
// accepted = false (reply word 0 non-zero).
struct CtRequest {
    Simulator& sim;
    Adapter& adapter;
    std::uint32_t command;
    std::uint32_t param[3];
    const std::uint8_t* in;      // 432 request bytes
    std::uint32_t replyCapacity; // the data length the client can take
    std::uint32_t reply[3];
    std::vector<std::uint8_t> data;
    bool accepted = true;
};
using CtHandler = std::function<void(CtRequest&)>;

// One SCSI sub-operation (FIB 500, request kind 3). data/length is the
// request's data area, overwritten in place by the reply; status is the
// reply's payload word 0 (0 = good).
struct ScsiRequest {
    Simulator& sim;
    Adapter& adapter;
    std::uint32_t deviceId;
    std::uint32_t subOperation;
    std::uint32_t method;
    std::uint8_t* data;
    std::size_t length;
    std::uint32_t status = 0;
};
using ScsiHandler = std::function<void(ScsiRequest&)>;

// One event-and-task request (FIB 700); words are the 17 request words.
using AifRequestHandler = FibHandler;

} // namespace qorsim
