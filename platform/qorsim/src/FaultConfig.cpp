#include "FaultConfig.h"

#include "configfile/config_node.h"

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qorsim {

namespace {

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
    f.adapter = j.value("adapter", -1);
    f.fibCommand = j.value("fib", -1);
    f.ctCommand = j.value("ct", -1);
    f.scsiOperation = j.value("scsi", -1);
    f.aifRequest = j.value("aif", -1);
    f.clusterCommand = j.value("cluster", -1);
    f.skip = j.value("skip", 0);
    f.times = j.value("times", 1);
    f.error = j.value("error", 0);
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
