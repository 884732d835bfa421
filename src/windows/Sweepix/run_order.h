// The clean-up program's run order as data (rows in run_order.def), with the
// build's checks that the rows count up from 1 and read different sections.
#pragma once

#include "resource.h"

#include <cstddef>
#include <iterator>
#include <string_view>

struct RunOrderRow {
    int position;
    std::string_view header;
    std::string_view member;
    unsigned statusId;
};

constexpr RunOrderRow kRunOrder[] = {
#define SWEEPIX_SECTION(position, header, type, member, mode, statusId)                            \
    {position, header, #member, statusId},
#include "run_order.def"
};

namespace run_order_check {

constexpr bool positionsCountFromOne() {
    for (std::size_t i = 0; i < std::size(kRunOrder); ++i)
        if (kRunOrder[i].position != static_cast<int>(i) + 1)
            return false;
    return true;
}

// A section is found by its header standing anywhere in a line, so a header
// standing within another row's would read that row's section too.
constexpr bool headersDistinct() {
    for (std::size_t i = 0; i < std::size(kRunOrder); ++i)
        for (std::size_t j = 0; j < std::size(kRunOrder); ++j)
            if (i != j && kRunOrder[j].header.find(kRunOrder[i].header) != std::string_view::npos)
                return false;
    return true;
}

} // namespace run_order_check

static_assert(run_order_check::positionsCountFromOne(),
              "run-order positions must count 1, 2, 3 ... in the rows' order");
static_assert(run_order_check::headersDistinct(),
              "two run-order rows read the same section: a header stands within another's");
