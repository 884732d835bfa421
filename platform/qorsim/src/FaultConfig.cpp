#include "FaultConfig.h"

#include "configfile/config_node.h"

#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qorsim {

namespace {

constexpr int kMostErrno = 4095; // the system's error numbers end below

Call callNamed(const standin_config::Node& value) {
    const std::string name = value.get<std::string>();
    static const std::pair<const char*, Call> calls[] = {{"open", Call::Open},
                                                         {"close", Call::Close},
                                                         {"ioctl", Call::Ioctl},
                                                         {"fcntl", Call::Fcntl}};
    for (const auto& [text, call] : calls)
        if (name == text)
            return call;
    value.refuse("unknown call \"" + name + "\" (open, close, ioctl or fcntl)");
}

} // namespace

Fault faultFromJson(const standin_config::Node& j) {
    Fault f;
    if (j.contains("call"))
        f.call = callNamed(j.at("call"));
    f.path = j.value("path", std::string());
    // What a fault matches (-1: any), how many calls pass first and how many
    // fail (-1: all), and the errno they fail with.
    constexpr int kMost = std::numeric_limits<int>::max();
    f.adapter = j.within("adapter", -1, kMost, -1);
    f.fibCommand = j.within("fib", -1, kMost, -1);
    f.ctCommand = j.within("ct", -1, kMost, -1);
    f.scsiOperation = j.within("scsi", -1, kMost, -1);
    f.aifRequest = j.within("aif", -1, kMost, -1);
    f.clusterCommand = j.within("cluster", -1, kMost, -1);
    f.skip = j.within("skip", 0, kMost, 0);
    f.times = j.within("times", -1, kMost, 1);
    f.error = j.within("error", 0, kMostErrno, 0);
    if (j.contains("zeroReplyFrom"))
        f.zeroReplyFrom = j.at("zeroReplyFrom").within(std::size_t{0}, kFibBytes - 1);
    f.replayPrevious = j.value("replayPrevious", false);
    if (j.contains("replyWords")) {
        std::vector<std::pair<std::size_t, std::uint32_t>> words;
        for (const auto& [index, value] : j.at("replyWords").members())
            words.emplace_back(value.keyIndex((kFibBytes - kFibHeader) / 4),
                               value.get<std::uint32_t>());
        f.mutateReply = [words](std::uint8_t* fib) {
            for (const auto& [i, v] : words)
                put32(fib, kFibHeader + 4 * i, v);
        };
    }
    return f;
}

} // namespace qorsim
