// Memory used up in the middle of a command: the answer is the status "out
// of memory" alone, whether the host calls the handler itself or through the
// dispatch, and a setter answers that status, instead of the exception ending
// the host's process.
#include "call_in_child.h"
#include "card_fixture.h"
#include "failing_allocations.h"
#include "xml_answer.h"

#include "mgmthost/mgmthost_standin.h"
#include "smil/smil.h"
#include "smil/smil_standin.h"
#include "telmda/card_objects.h"
#include "telmda/entries.h"
#include "telmda/setters.h"
#include "telmda/telmda.h"
#include "telmda/views.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace telmda_test {
namespace {

using ::testing::ElementsAre;

constexpr int kNoAnswer = -99999;

struct CommandCase {
    const char* name;
    char* (*call)(int32_t, OCSParamList);
    std::vector<const char*> params;
};

void PrintTo(const CommandCase& c, std::ostream* out) {
    *out << c.name;
}

class ExhaustedMemory : public ::testing::TestWithParam<CommandCase> {
protected:
    void SetUp() override {
        ocs_standin::reset();
        smil_standin::reset();
        smil_standin::loadJson(standardCard().dump());
    }
};

// One allocation fails, the first the command makes beyond the host's
// buffer (the missing input's note, or the host's status node).
TEST_P(ExhaustedMemory, AnswersOutOfMemoryAlone) {
    const CommandCase& c = GetParam();
    std::vector<const char*> params = c.params;
    kortest::CallInChild call([&] {
        char* text = nullptr;
        {
            kortest::FailingAllocations exhausted(24, 1);
            text = c.call(static_cast<int32_t>(params.size()), params.data());
        }
        if (text == nullptr)
            return kNoAnswer;
        const XmlAnswer answer(text);
        OCSXFreeBufContent(text);
        const bool alone = answer.topNames() == std::vector<std::string>{"SMStatus"};
        return alone ? answer.status().value_or(kNoAnswer) : kNoAnswer;
    });
    EXPECT_EQ(std::optional<int>(TELMDA_STATUS_NO_MEMORY), call.result(std::chrono::seconds(10)))
        << "no answer, another one, or the call did not return";
}

INSTANTIATE_TEST_SUITE_P(
    Telmda, ExhaustedMemory,
    ::testing::Values(CommandCase{"handler", CMDHipGetOIDByType, {"instance=1"}},
                      CommandCase{
                          "dispatch", telmda_sendCmd, {"qvacmd=getoidbytype", "instance=1"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The new value is copied before anything else is done: the card is not
// asked to change.
TEST(ExhaustedMemoryInASetter, AnswersOutOfMemoryAndSetsNothing) {
    ocs_standin::reset();
    tym_standin::reset();
    smil_standin::reset();
    smil_standin::loadJson(standardCard().dump());
    const uint32_t lan = 304;
    const std::string address(1000, '1');
    kortest::CallInChild call([&] {
        void* object = SMILGetObjByOID(&lan);
        const SetterContext context{object, 2, "u", "TELMDA"};
        int32_t result = 0;
        {
            kortest::FailingAllocations exhausted(512, 1);
            result = XMLSetTYMCIPAddress(&context, &lan, address.c_str());
        }
        SMILFreeGeneric(object);
        return tym_standin::calls().empty() && ocs_standin::cmdLog().empty() ? result : kNoAnswer;
    });
    EXPECT_EQ(std::optional<int>(TELMDA_STATUS_NO_MEMORY), call.result(std::chrono::seconds(10)))
        << "another status, the card was asked, or the call did not return";
}

// Routines the host may call on its own with a buffer of its own.
TEST(ExhaustedMemoryInARoutine, AnswersOutOfMemory) {
    const struct {
        const char* what;
        std::function<int32_t(OCSXBuf*)> call;
    } routines[] = {
        {"trap list",
         [](OCSXBuf* buf) {
             const uint32_t parent = 2;
             return GetSNMPTrapList(buf, &parent);
         }},
        {"summary view",
         [](OCSXBuf* buf) { return RetrieveSummaryInfo(buf, TELMDA_CARD_ROOT_OID); }},
    };
    for (const auto& r : routines) {
        ocs_standin::reset();
        smil_standin::reset();
        smil_standin::loadJson(standardCard().dump());
        kortest::CallInChild call([&] {
            OCSXBuf* buf = OCSXAllocBuf(256, 0);
            int32_t result = 0;
            {
                kortest::FailingAllocations exhausted(1, 1);
                result = r.call(buf);
            }
            OCSXFreeBuf(buf);
            return result;
        });
        EXPECT_EQ(std::optional<int>(TELMDA_STATUS_NO_MEMORY),
                  call.result(std::chrono::seconds(10)))
            << r.what << ": another status, or the call did not return";
    }
}

} // namespace
} // namespace telmda_test
