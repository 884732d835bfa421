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
#include "telmda/card_link.h"
#include "telmda/card_objects.h"
#include "telmda/entries.h"
#include "telmda/setters.h"
#include "telmda/telmda.h"
#include "telmda/views.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

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

// Every other exported routine: an allocation failure inside it answers its
// failure value (a void routine simply returns) and the host lives on.
TEST(ExhaustedMemoryInAnExport, AnswersItsFailureValue) {
    constexpr int kReturned = 0;
    using SettingsRoutine = char* (*)(int32_t, OCSParamList, const char*, int32_t, int32_t*);
    const auto settings = [](const char* name, int32_t fieldId, const char* param) {
        return [=](OCSXBuf*, void*) {
            const auto routine = reinterpret_cast<SettingsRoutine>(dlsym(RTLD_DEFAULT, name));
            if (!routine)
                return kNoAnswer;
            const char* params[] = {"qvausrinfo=u", param};
            int32_t status = kNoAnswer;
            if (char* text = routine(2, params, nullptr, fieldId, &status))
                OCSXFreeBufContent(text);
            return static_cast<int>(status);
        };
    };
    const auto view = [](void (*write)(OCSXBuf*, uint32_t)) {
        return [=](OCSXBuf* buf, void*) {
            write(buf, TELMDA_CARD_ROOT_OID);
            return kReturned;
        };
    };
    const auto found = [](const void* pointer) { return pointer ? 1 : 0; };
    const uint32_t userOid = 400;
    const uint32_t instanceRoot = TELMDA_INSTANCE_ROOT_OID;
    const char* byOid[] = {"oid=400"};
    const struct {
        const char* what;
        std::function<int(OCSXBuf*, void* lan)> call;
        int failure;
    } exports[] = {
        {"QVRSCGetTYMIdentificationObj", view(QVRSCGetTYMIdentificationObj), kReturned},
        {"QVRSCGetTYMCControlObj", view(QVRSCGetTYMCControlObj), kReturned},
        {"QVRSCGetMonitoringObj", view(QVRSCGetMonitoringObj), kReturned},
        {"QVRSCGetoobSnmpAgentObj", view(QVRSCGetoobSnmpAgentObj), kReturned},
        {"QVRSCGetCurrentLanNetworkingObj", view(QVRSCGetCurrentLanNetworkingObj), kReturned},
        {"QVRSCGetLanNetworkingObj", view(QVRSCGetLanNetworkingObj), kReturned},
        {"QVTYMCGetDialInNetworkingInfo", view(QVTYMCGetDialInNetworkingInfo), kReturned},
        {"QVTYMCGetRemoteHostObj", view(QVTYMCGetRemoteHostObj), kReturned},
        {"QVRSCGetVesk3Obj", view(QVRSCGetVesk3Obj), kReturned},
        {"UpdateTYMCCapabilitiesFilterInfo",
         [](OCSXBuf* buf, void*) {
             UpdateTYMCCapabilitiesFilterInfo(buf, 0xFFFFFFFF, 0xFFFFFFFF);
             return kReturned;
         },
         kReturned},
        {"UpdateSystemCapabilitiesFilterInfo",
         [](OCSXBuf* buf, void*) {
             UpdateSystemCapabilitiesFilterInfo(buf, 0xFFFFFFFF, 0xFFFFFFFF);
             return kReturned;
         },
         kReturned},
        {"ViewSSLCert", [&](OCSXBuf*, void*) { return found(ViewSSLCert("CA")); }, 0},
        {"LoadRACLibIntf", [](OCSXBuf*, void*) { return LoadRACLibIntf(); }, -1},
        {"CfgCSRProperties",
         [](OCSXBuf*, void*) { return int{CfgCSRProperties("CommonName", "host")}; }, -1},
        {"GenerateCert", [](OCSXBuf*, void*) { return int{GenerateCert("/tmp/csr.txt")}; }, -1},
        {"UploadSSLCert", [](OCSXBuf*, void*) { return int{UploadSSLCert("/tmp/cert.pem", "CA")}; },
         -1},
        {"SetRacOSAuth", [](OCSXBuf*, void*) { return int{SetRacOSAuth("1")}; }, -1},
        {"DASHipObjCatXNode",
         [](OCSXBuf* buf, void* lan) { return DASHipObjCatXNode(lan, buf, "Lan", "a=\"1\"", 1); },
         -1},
        {"DASHipObjCatBeginNode",
         [](OCSXBuf* buf, void* lan) { return DASHipObjCatBeginNode(lan, buf, "Lan", nullptr); },
         -1},
        {"DASHipObjCatEmptyNode",
         [](OCSXBuf* buf, void* lan) { return DASHipObjCatEmptyNode(lan, buf, "Lan", nullptr); },
         -1},
        {"DASSMILGetObjByType",
         [&](OCSXBuf*, void*) { return found(DASSMILGetObjByType(&instanceRoot, 295, 0)); }, 0},
        {"DASSMILGetParentObjByOID",
         [&](OCSXBuf*, void*) { return found(DASSMILGetParentObjByOID(&userOid)); }, 0},
        {"DASSMILGetParentObjByType",
         [&](OCSXBuf*, void*) { return found(DASSMILGetParentObjByType(&userOid, 302)); }, 0},
        {"DASHipInitSetCmd",
         [](OCSXBuf* buf, void*) {
             const char* params[] = {"qvausrinfo=u", "oid=400"};
             int32_t status = kNoAnswer;
             const void* object = DASHipInitSetCmd(2, params, buf, "help", 295, nullptr, &status);
             return object ? kNoAnswer : static_cast<int>(status);
         },
         TELMDA_STATUS_NO_MEMORY},
        {"GetOIDFromCommandArgsEx",
         [&](OCSXBuf*, void*) {
             uint32_t oid = 0;
             return GetOIDFromCommandArgsEx(1, byOid, &oid, nullptr, 295);
         },
         0},
        {"GetOIDFromCommandArgs",
         [&](OCSXBuf*, void*) {
             uint32_t oid = 0;
             return GetOIDFromCommandArgs(1, byOid, &oid, 295);
         },
         0},
        {"LocateRequiredObjectEx",
         [](OCSXBuf*, void*) {
             uint32_t oid = 0;
             return LocateRequiredObjectEx("admin", 295, &oid, nullptr);
         },
         0},
        {"LocateRequiredObject",
         [](OCSXBuf*, void*) {
             uint32_t oid = 0;
             return LocateRequiredObject("admin", 295, &oid);
         },
         0},
        {"IsTYMCPresent", [](OCSXBuf*, void*) { return int{IsTYMCPresent()}; }, 0},
        {"XMLIsTYMCPresent",
         [](OCSXBuf* buf, void*) {
             int32_t status = kNoAnswer;
             return XMLIsTYMCPresent(buf, &status) == 0 ? static_cast<int>(status) : kNoAnswer;
         },
         TELMDA_STATUS_NO_MEMORY},
        {"SetTYMCNetworkConfInfo", settings("SetTYMCNetworkConfInfo", 16, "RSCIPAddress=10.0.0.9"),
         TELMDA_STATUS_NO_MEMORY},
        {"SetTYMCModemInfo", settings("SetTYMCModemInfo", 17, "RSCDialUpModemInitString=ATZ"),
         TELMDA_STATUS_NO_MEMORY},
        {"SetTYMCRemoteInfo", settings("SetTYMCRemoteInfo", 19, "RSCRHostFloppyTFTPPATH=/a.img"),
         TELMDA_STATUS_NO_MEMORY},
    };
    for (const auto& e : exports) {
        ocs_standin::reset();
        tym_standin::reset();
        smil_standin::reset();
        smil_standin::loadJson(standardCard().dump());
        kortest::CallInChild call([&] {
            OCSXBuf* buf = OCSXAllocBuf(256, 0);
            const uint32_t lanOid = 304;
            void* lan = SMILGetObjByOID(&lanOid);
            int result = kNoAnswer;
            {
                kortest::FailingAllocations exhausted(1, 1);
                result = e.call(buf, lan);
            }
            SMILFreeGeneric(lan);
            OCSXFreeBuf(buf);
            return result;
        });
        EXPECT_EQ(std::optional<int>(e.failure), call.result(std::chrono::seconds(10)))
            << e.what << ": another answer, or the call did not return";
    }
}

} // namespace
} // namespace telmda_test
