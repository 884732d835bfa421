#include "settings_frame.h"

#include "answer.h"
#include "card_object.h"
#include "telmda/card_objects.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace telmda {
namespace {

constexpr const char* kSource = "TELMDA";

void applyField(std::int32_t count, OCSParamList params, const SettingsGroup& group,
                const CardSetting* field, Answer& answer) {
    const char* userInfo = nullptr;
    if (!requireUserInfo(count, params, answer, &userInfo))
        return;
    answer.setStatus(TELMDA_STATUS_MISSING_INPUT);
    if (!field)
        return;
    const char* value = paramText(count, params, field->param);
    if (!value) {
        char message[160];
        std::snprintf(message, sizeof message, "%s value missing %d", field->param,
                      static_cast<int>(count));
        return answer.setStatus(TELMDA_STATUS_MISSING_INPUT, message);
    }
    const CardObject object = CardObject::cardObject(field->objectType);
    if (!object)
        return answer.setStatus(TELMDA_STATUS_MISSING_INPUT, value);
    const SetterContext context{object.raw(), TELMDA_CARD_ROOT_OID, userInfo, kSource};
    const std::uint32_t oid = object.view().oid();
    answer.setStatus(field->apply(&context, &oid, value, TELMDA_ENTRY_UPDATE, group.boolean));
}

} // namespace

char* runSettingField(std::int32_t count, OCSParamList params, const SettingsGroup& group,
                      std::int32_t fieldId, std::int32_t* status) {
    // The frame answers "out of memory" alone for an exception: so does the status.
    std::int32_t result = TELMDA_STATUS_NO_MEMORY;
    char* text = runHandler(count, params, nullptr, [&](Answer& answer) {
        if (helpRequested(count, params))
            answer.help("required_input:oid;");
        else
            applyField(count, params, group, findSetting(group.group, fieldId), answer);
        result = answer.status();
    });
    if (status)
        *status = result;
    return text;
}

char* runSettingCommand(std::int32_t count, OCSParamList params, const SettingsGroup& group,
                        std::int32_t fieldId) {
    std::int32_t status = 0;
    return runSettingField(count, params, group, fieldId, &status);
}

char* runCombinedSettings(std::int32_t count, OCSParamList params, const SettingsGroup& group,
                          const std::int32_t* order, std::size_t orderCount) {
    return runHandler(count, params, nullptr, [&](Answer& answer) {
        std::string failures;
        for (std::size_t i = 0; i < orderCount; ++i) {
            // A field whose frame cannot even answer was not set: it is listed.
            std::int32_t status = TELMDA_STATUS_NO_MEMORY;
            if (char* fieldAnswer = runSettingField(count, params, group, order[i], &status))
                OCSXFreeBufContent(fieldAnswer);
            const CardSetting* field = findSetting(group.group, order[i]);
            if (status != 0 && status != TELMDA_STATUS_MISSING_INPUT && field)
                failures += std::string(" ") + field->param;
        }
        if (failures.empty())
            answer.setStatus(0);
        else
            answer.setStatus(TELMDA_STATUS_FAILED_LIST, failures);
    });
}

std::uint16_t exactlyTrue(const char* value) {
    return value && std::strcmp(value, "true") == 0 ? 1 : 0;
}

std::uint8_t lowByte(const char* value) {
    return static_cast<std::uint8_t>(OCSASCIIToUnSigned32(value));
}

} // namespace telmda
