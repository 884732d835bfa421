// Container-command replies are controller input: whatever the controller
// answers (continuation lengths, pieces, echoed codes), the channel must
// stay inside the caller's buffer.
#include "Context.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "fsa_replay_port.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint32_t outLen = (std::uint32_t(data[0]) << 4) | (data[1] & 0xF); // up to ~4 KiB
    fsafuzz::ReplayPort port(data + 2, size - 2);
    fsa::setOsPort(&port);
    FAUX_COMM_CONTEXT channel;
    channel.fd = 3;
    FSAAPI_CONTEXT ctx;
    ctx.channel = &channel;
    std::vector<std::uint8_t> out(outLen);
    std::uint32_t p0 = 0, p1 = 0, p2 = 0;
    try {
        // Continuation exchanges throw a failed transport whatever the flag says.
        CT_SendReceiveFIB(&ctx, 200, &p0, &p1, &p2, nullptr, 0, out.data(), outLen, 0);
        cttype record;
        std::uint32_t type = 0;
        CT_GetContainer(&ctx, 1, &record, &type);
    } catch (FSA_STATUS) {
    }
    ctx.channel = nullptr;
    fsa::setOsPort(nullptr);
    return 0;
}
