// Received adapter events and event-and-task replies are controller input:
// decoding them must stay inside the 512-byte FIB whatever it holds.
#include "Aif.h"
#include "Context.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    _FIB fib{};
    std::memcpy(&fib, data, size < sizeof fib ? size : sizeof fib);
    FSAAPI_CONTEXT ctx;
    ctx.info.highestContainerNumber = 3;
    AIF_ParseAndProcessFib(&ctx, nullptr, &fib);
    FSA_TASK_DESCRIPTOR tasks[AIF_MAX_TASKS];
    AIF_TranslateJDResponseFIB(&ctx, &fib, tasks, AIF_MAX_TASKS);
    AIF_TranslatePRResponseFIB(&ctx, &fib, tasks, AIF_MAX_TASKS);
    return 0;
}
