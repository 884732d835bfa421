#pragma once

// Another client of the controller: between two FIBs of a call it makes a
// volume on a disk the call leaves alone. The volume must come through the
// call exactly as made; the rest of the end state is judged as if it had
// never been there.

#include "qorsim/Model.h"

#include <optional>
#include <string>
#include <vector>

namespace fsasweep {

class OtherVolume {
public:
    // A volume on the last bus-0 disk of `start` that no partition and no
    // object in `touches` names, numbered with the highest free visible
    // container number the row does not name; none when no disk is left.
    static std::optional<OtherVolume> forRow(const qorsim::Adapter& start,
                                             const std::vector<std::string>& touches);

    // The other client's change.
    void make(qorsim::Adapter& a) const;
    // What is wrong with the volume in `end`, or empty when it is as made;
    // then it is taken out of `end` again (later partition entries move
    // down one, as the containers naming them).
    std::string takeBack(qorsim::Adapter& end) const;
    std::string name() const;

private:
    std::uint32_t number_ = 0, slice_ = 0;
    qorsim::PartitionEntry entry_{};
    qorsim::ContainerRecord record_;
};

} // namespace fsasweep
