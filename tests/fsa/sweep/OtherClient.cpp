#include "OtherClient.h"

#include "qorsim/ModelDiff.h"
#include "qorsim/Wire.h"

#include <algorithm>
#include <cstring>

namespace fsasweep {

namespace {

using qorsim::Adapter;

constexpr std::size_t kStart = 24, kSize = 28, kSerial = 32, kSlice = 40, kType = 48, kNumber = 52,
                      kMembers = 56, kFlags = 112;
constexpr std::uint32_t kFirstSharedDrive = 128;

bool named(const std::vector<std::string>& touches, const std::string& object) {
    return std::find(touches.begin(), touches.end(), object) != touches.end();
}

bool sliceUsed(const Adapter& a, std::uint32_t slice) {
    return std::any_of(a.partitions.begin(), a.partitions.end(), [slice](const auto& e) {
        return qorsim::get32(e.data(), kSerial) != 0 && qorsim::get32(e.data(), kSlice) == slice;
    });
}

} // namespace

std::optional<OtherVolume> OtherVolume::forRow(const Adapter& start,
                                               const std::vector<std::string>& touches) {
    OtherVolume v;
    auto freeSlice = [&](std::uint32_t i) {
        return start.slices[i].driveId < kFirstSharedDrive && !sliceUsed(start, i) &&
               !named(touches, "slice " + std::to_string(i));
    };
    auto freeNumber = [&](std::uint32_t n) {
        return !start.containers.count(n) && !named(touches, "container " + std::to_string(n));
    };
    v.slice_ = static_cast<std::uint32_t>(start.slices.size());
    while (v.slice_ > 0 && !freeSlice(v.slice_ - 1))
        --v.slice_;
    v.number_ = start.firstHiddenContainer;
    while (v.number_ > 1 && !freeNumber(v.number_ - 1))
        --v.number_;
    if (v.slice_-- == 0 || v.number_-- <= 1)
        return std::nullopt;
    const qorsim::Slice& s = start.slices[v.slice_];
    std::uint8_t* e = v.entry_.data();
    qorsim::put32(e, kStart, 128);
    qorsim::put32(e, kSize, std::min<std::uint32_t>(65536, s.sizeBlocks / 2));
    qorsim::put32(e, kSerial, start.miscStatus[4] ? start.miscStatus[4] : 1);
    qorsim::put32(e, kSlice, v.slice_);
    qorsim::put32(e, kType, 1);
    qorsim::put16(e, kNumber, static_cast<std::uint16_t>(v.number_));
    qorsim::put16(e, kMembers, 1);
    qorsim::put32(e, kFlags, 1); // configured
    std::memcpy(v.record_.label.data(), "other", 5);
    return v;
}

void OtherVolume::make(Adapter& a) const {
    if (a.partitions.empty())
        a.partitions.emplace_back(); // entry 0 is never used
    a.partitions.push_back(entry_);
    qorsim::ContainerRecord record = record_;
    record.members = {static_cast<std::uint32_t>(a.partitions.size() - 1)};
    a.containers[number_] = record;
}

std::string OtherVolume::takeBack(Adapter& end) const {
    const auto c = end.containers.find(number_);
    if (c == end.containers.end() || c->second.members.size() != 1 ||
        c->second.members[0] >= end.partitions.size())
        return name() + " is gone or lost its partition";
    const std::uint32_t at = c->second.members[0];
    // Compared as objects of their own, so that the message says what moved.
    Adapter made, found;
    made.containers[number_] = record_;
    made.containers[number_].members = {at};
    made.partitions = {entry_};
    found.containers[number_] = c->second;
    found.partitions = {end.partitions[at]};
    if (const auto d = qorsim::compareModels(made, found); !d.empty())
        return name() + " was changed:\n" + qorsim::describeDifferences(d);
    end.containers.erase(c);
    end.partitions.erase(end.partitions.begin() + at);
    for (auto& [number, record] : end.containers)
        for (std::uint32_t& m : record.members)
            m -= m > at;
    return {};
}

std::string OtherVolume::name() const {
    return "another client's volume " + std::to_string(number_) + " on slice " +
           std::to_string(slice_);
}

} // namespace fsasweep
