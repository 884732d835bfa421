#include "FaultConfig.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qorsim {

namespace {

Call callNamed(const std::string& name) {
    static const std::pair<const char*, Call> calls[] = {{"open", Call::Open},
                                                         {"close", Call::Close},
                                                         {"ioctl", Call::Ioctl},
                                                         {"fcntl", Call::Fcntl}};
    for (const auto& [text, call] : calls)
        if (name == text)
            return call;
    throw std::runtime_error("unknown call in a fault: " + name);
}

} // namespace

Fault faultFromJson(const nlohmann::json& j) {
    Fault f;
    f.call = callNamed(j.value("call", std::string("ioctl")));
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
    f.zeroReplyFrom = j.value("zeroReplyFrom", std::size_t{0});
    if (f.zeroReplyFrom >= kFibBytes)
        throw std::runtime_error("qorsim: zeroReplyFrom beyond the FIB");
    f.replayPrevious = j.value("replayPrevious", false);
    if (j.contains("replyWords")) {
        std::vector<std::pair<std::size_t, std::uint32_t>> words;
        for (const auto& [index, value] : j.at("replyWords").items()) {
            const std::size_t i = std::stoul(index);
            if (i >= (kFibBytes - kFibHeader) / 4)
                throw std::runtime_error("reply word beyond the FIB: " + index);
            words.emplace_back(i, value.get<std::uint32_t>());
        }
        f.mutateReply = [words](std::uint8_t* fib) {
            for (const auto& [i, v] : words)
                put32(fib, kFibHeader + 4 * i, v);
        };
    }
    return f;
}

} // namespace qorsim
