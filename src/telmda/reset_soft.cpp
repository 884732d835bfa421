// "setresetsoft": soft reset of the card through its control object.
#include "answer.h"
#include "card_object.h"
#include "exported_call.h"
#include "handlers.h"
#include "telmda/card_objects.h"
#include "telmda/setters.h"

using namespace telmda;

namespace {

// Applies one control-object action; 16 is the soft reset.
int32_t controlAction(int32_t paramCount, OCSParamList params, Answer* answerPtr, int32_t fieldId) {
    Answer& answer = *answerPtr;
    const char* userInfo = nullptr;
    if (!requireUserInfo(paramCount, params, answer, &userInfo))
        return answer.status();
    answer.setStatus(TELMDA_STATUS_MISSING_INPUT);
    const CardObject control = CardObject::cardObject(TELMDA_OBJ_CONTROL);
    if (!control || fieldId != 16)
        return answer.status();
    const SetterContext context{control.raw(), TELMDA_CARD_ROOT_OID, userInfo, "TELMDA"};
    const uint32_t oid = control.view().oid();
    const int32_t result = XMLSetTYMResetSoft(&context, &oid);
    if (result != 0)
        answer.setStatus(result, "Unable to reset the Remote Service Card");
    else
        answer.setStatus(0);
    return result;
}

} // namespace

extern "C" {

int32_t SetRSCControlObj(int32_t paramCount, OCSParamList params, Answer* answerPtr,
                         int32_t fieldId) {
    return exportedCall(int32_t{TELMDA_STATUS_NO_MEMORY},
                        [&] { return controlAction(paramCount, params, answerPtr, fieldId); });
}

char* CmdRSCSetResetSoft(int32_t paramCount, OCSParamList params) {
    return runHandler(paramCount, params, "required_input:oid;",
                      [&](Answer& answer) { controlAction(paramCount, params, &answer, 16); });
}

} // extern "C"
