// The command-log ids of the card's changes, all from the card field table:
// those of the settable fields' setters and those that no setter owns. The
// host tells changes apart by their id alone, so the module does not build
// when two changes share one.
#pragma once

#include "card_settings.h"

#include <cstddef>
#include <cstdint>

namespace telmda {

namespace log_id {
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, host, ...)
#define CARD_LOG(name, logId) constexpr std::uint32_t name = logId;
#include "telmda/card_fields.def"
} // namespace log_id

namespace log_id_checks {

// The ids that no setter owns.
constexpr std::uint32_t kOwnerless[] = {
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, host, ...)
#define CARD_LOG(name, logId) logId,
#include "telmda/card_fields.def"
};

// A run of ids that one change uses.
struct IdRun {
    std::uint32_t first;
    std::uint32_t count;
};

// How many ids a setter logs under: a key's three (added, changed, removed),
// none for a plain forward, else one.
constexpr std::uint32_t idCount(SetterShape shape) {
    return shape == SetterShape::Keyed ? 3 : shape == SetterShape::Forward ? 0 : 1;
}

// The i-th run: the settable fields' first, then the ownerless ids.
constexpr IdRun run(std::size_t i) {
    if (i < kCardSettingCount)
        return {kCardSettings[i].logId, idCount(kCardSettings[i].shape)};
    return {kOwnerless[i - kCardSettingCount], 1};
}

constexpr std::size_t kRunCount = kCardSettingCount + sizeof kOwnerless / sizeof kOwnerless[0];

constexpr bool meet(IdRun a, IdRun b) {
    return a.count && b.count && a.first < b.first + b.count && b.first < a.first + a.count;
}

// The first run whose ids meet those of a run before it, or kRunCount.
constexpr std::size_t firstSharingRun() {
    for (std::size_t j = 1; j < kRunCount; ++j)
        for (std::size_t i = 0; i < j; ++i)
            if (meet(run(i), run(j)))
                return j;
    return kRunCount;
}

// The setter of the field whose ids meet another change's, or null. (An id
// that no setter owns comes after the fields': the field it meets is named.)
using FieldSetter = decltype(CardSetting::apply);
constexpr FieldSetter fieldSharingAnId() {
    const std::size_t j = firstSharingRun();
    if (j == kRunCount)
        return nullptr;
    if (j < kCardSettingCount)
        return kCardSettings[j].apply;
    for (std::size_t i = 0; i < kCardSettingCount; ++i)
        if (meet(run(i), run(j)))
            return kCardSettings[i].apply;
    return nullptr;
}
template <FieldSetter Setter> struct CommandLogIdSharedBy;
template <> struct CommandLogIdSharedBy<nullptr> {};

// A setter that logs has an id; one that logs nothing has none.
constexpr bool loggingSettersHaveIds() {
    for (const CardSetting& s : kCardSettings)
        if ((s.logId != 0) != (idCount(s.shape) != 0))
            return false;
    return true;
}

} // namespace log_id_checks

static_assert(log_id_checks::firstSharingRun() == log_id_checks::kRunCount,
              "two card changes share a command-log id");
// Incomplete, so not built, when a field shares an id: the error names it.
inline constexpr log_id_checks::CommandLogIdSharedBy<log_id_checks::fieldSharingAnId()>
    kNoFieldSharesACommandLogId{};
static_assert(log_id_checks::loggingSettersHaveIds(),
              "a logging setter has no command-log id, or a plain forward has one");

} // namespace telmda
