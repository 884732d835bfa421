// Bus reset, the diagnostic entry point and its text reports.
#include "HandleTable.h"
#include "JournalOps.h"
#include "ParamChecks.h"
#include "SimFixture.h"
#include "TextDump.h"
#include "Trace.h"

#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// qor0: register battery; qor1: type 18 with a smart battery (feature 0x200).
const char* kConfig = R"({"adapters": [
  {"index": 0, "serial": 4660, "slices": 2,
   "battery": {"0x80000": 1234, "0x80": 1900, "0xF0": 2000, "0x70": 1500, "0x90": 12000,
               "0x20": 65535, "0x100": 32769, "0x08": 2981, "0x800": 4660}},
  {"index": 1, "serial": 4661, "info": {"platform": 20, "oem": 1, "options": 512},
   "battery": {"0x500000": 0, "0x500008": 31, "0x50000a": 8100, "0x50000c": 65436,
               "0x50000e": 2200, "0x500010": 2100, "0x500012": 1800}}]})";

void collect(const char* text, void* user) {
    *static_cast<std::string*>(user) += text;
}

class MaintenanceTest : public fsatest::OpenAdapterTest {
protected:
    std::string config() const override { return kConfig; }
    void SetUp() override {
        OpenAdapterTest::SetUp();
        sim.clearJournal();
    }
    std::string diagnostic(void* h, std::uint32_t op, int selector, FSA_STATUS* status) {
        std::string text;
        *status = FsaDiagnostic(h, op, &selector, collect, &text);
        return text;
    }
};

TEST(TextFormat, SizeStrings) {
    const struct {
        std::uint32_t blocks;
        const char* text;
    } rows[] = {{2048, "1024KB"},    {4096, "   2MB"},    {3000, " 1.5MB"}, {2097152, "1024MB"},
                {4194304, "   2GB"}, {5000000, " 2.4GB"}, {0, "   0KB"}};
    for (const auto& r : rows)
        EXPECT_EQ(SizeString(r.blocks), r.text) << r.blocks;
    Partition stripe{};
    stripe.bytes[48] = 3;
    stripe.bytes[60] = 128;
    EXPECT_EQ(PChunk(&stripe), "64KB");
    stripe.bytes[48] = 2;
    EXPECT_EQ(PChunk(&stripe), "    ");
    EXPECT_STREQ(ContainerTypeText(4), "RAID5");
    EXPECT_STREQ(ContainerTypeText(7), "???");
}

TEST_F(MaintenanceTest, BusResetChecksTheBusCount) {
    EXPECT_EQ(FsaResetScsiBus(handle, 2), 36u); // two buses
    EXPECT_EQ(fsatest::sentOperations(sim, true), std::vector<int>{9});
    EXPECT_EQ(FsaResetScsiBus(handle, 0xFFFFFFFF), 36u);
    ASSERT_EQ(FsaResetScsiBus(handle, 1), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaResetScsiBusEx(handle, 0, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).maint.busResets, (std::vector<std::uint32_t>{1, 0}));
    EXPECT_EQ(FsaResetScsiBusEx(handle, 1, 0), FSA_STS_NO_ADAPTER);
    qorsim::Fault refused;
    refused.scsiOperation = 22;
    refused.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, qorsim::kFibHeader, 5); };
    sim.inject(refused);
    EXPECT_EQ(FsaResetScsiBus(handle, 1), FSA_STS_SCSI_BAD_STATUS);
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaResetScsiBus(readOnly, 1), FSA_STS_NEEDS_READ_WRITE);
    FsaCloseAdapter(readOnly);
}

TEST_F(MaintenanceTest, DiagnosticOperations) {
    FSA_STATUS s;
    diagnostic(handle, 4, 0, &s);
    EXPECT_EQ(s, FSA_STS_BAD_OPERATION);
    diagnostic(handle, 6, 0, &s);
    EXPECT_EQ(s, FSA_STS_BAD_OPERATION);
    EXPECT_TRUE(diagnostic(handle, 0, 0, &s).empty()); // no section chosen
    EXPECT_EQ(s, FSA_STS_SUCCESS);

    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    sim.clearJournal();
    diagnostic(readOnly, 3, 0, &s);
    EXPECT_EQ(s, FSA_STS_SUCCESS);
    diagnostic(readOnly, 2, 0, &s);
    EXPECT_EQ(s, FSA_STS_NEEDS_READ_WRITE);
    EXPECT_EQ(fsatest::sentOperations(sim), std::vector<int>{34}); // re-configuration, once
    UtilGetContextFromHandle(readOnly)->paused.store(1);
    diagnostic(readOnly, 5, 0, &s);
    EXPECT_EQ(s, FSA_STS_ADAPTER_PAUSED);
    FsaCloseAdapter(readOnly);
    diagnostic(handle, 2, 0, &s);
    EXPECT_EQ(s, FSA_STS_SUCCESS);
    std::string text;
    EXPECT_EQ(FsaDiagnosticEx(handle, 1, 5, nullptr, collect, &text), FSA_STS_NO_ADAPTER);
    EXPECT_EQ(FsaDiagnosticEx(handle, 0, 5, nullptr, collect, &text), FSA_STS_SUCCESS);
    EXPECT_NE(text.find("Battery Information"), std::string::npos);
}

// The OS layer's exposure (a trace on this OS) is told the container named;
// refused calls tell it nothing.
TEST_F(MaintenanceTest, ExposeNewPhysicalSpace) {
    ::unlink("/tmp/dbg.api");
    FsaUxDbgFileSetName("/tmp/dbg.api");
    FsaUxDbgFileClrModule(0xFFFFFFFF, 0xFFFFFFFF);
    FsaUxDbgFileSetModule(0, static_cast<std::uint32_t>(FSA_DBG_MISC >> 32));
    FsaUxDbgFileSetLevel(3);
    auto exposed = [] {
        std::vector<std::string> out;
        std::ifstream in("/tmp/dbg.api");
        for (std::string line; std::getline(in, line);)
            if (const auto at = line.find("faos_ExposeExtendedContainer"); at != std::string::npos)
                out.push_back(line.substr(at));
        return out;
    };
    const tag_FSA_CONTAINER container{3, 0, 4660};
    ASSERT_EQ(FsaExposeNewPhysicalSpace(handle, &container), FSA_STS_SUCCESS);
    EXPECT_TRUE(sim.journal().empty()); // the host is told; the controller is not asked
    EXPECT_EQ(exposed(), std::vector<std::string>{"faos_ExposeExtendedContainer 3"});
    EXPECT_EQ(FsaExposeNewPhysicalSpace(handle, nullptr), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaExposeNewPhysicalSpace(nullptr, &container), FSA_STS_INVALID_HANDLE);
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaExposeNewPhysicalSpace(readOnly, &container), FSA_STS_NEEDS_READ_WRITE);
    FsaCloseAdapter(readOnly);
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(handle).get();
    ctx->paused.store(1);
    EXPECT_EQ(FsaExposeNewPhysicalSpace(handle, &container), FSA_STS_ADAPTER_PAUSED);
    ctx->paused.store(0);
    FsaUxDbgFileSetLevel(0);
    FsaUxDbgFileClrModule(0xFFFFFFFF, 0xFFFFFFFF);
    EXPECT_EQ(exposed().size(), 1u) << "a refused call reached the OS layer";
}

TEST(HostOs, ThisHostIsValid) {
    EXPECT_EQ(FsaValidHostOs(), FSA_STS_SUCCESS);
    EXPECT_TRUE(FsaIsUnixOS(FsaGetOSType()));
}

TEST(HostOs, TypesTwoSevenAndEightAreRefused) {
    for (std::uint32_t os = 0; os < 13; ++os) {
        const bool refused = os == 2 || os == 7 || os == 8;
        EXPECT_EQ(PCK_HostOsStatus(os), refused ? FSA_STS_INVALID_HOST_OS : FSA_STS_SUCCESS) << os;
    }
}

TEST_F(MaintenanceTest, BatteryReportFromRegisters) {
    const std::uint32_t method = UtilGetContextFromHandle(handle)->scsiMethod;
    FSA_STATUS s;
    const std::string text = diagnostic(handle, 0, 16, &s);
    ASSERT_EQ(s, FSA_STS_SUCCESS);
    EXPECT_EQ(text, "\n\nBattery Information"
                    "\n-------------------"
                    "\nBattery Serial Number:     1234"
                    "\nFull Charge Capacity:      1900 mAh"
                    "\nDesign capacity:           2000 mAh"
                    "\nRemaining Capacity:        1500 mAh"
                    "\nVoltage:                   12000 mV"
                    "\nCurrent:                   1 mA"
                    "\nSpecification Information: 32767 mA"
                    "\nTemperature:               298.1 K"
                    "\nLast recondition date:     0x1234"
                    "\nNext recondition date:     Unknown");
    EXPECT_EQ(UtilGetContextFromHandle(handle)->scsiMethod, method);
}

TEST_F(MaintenanceTest, BatteryReportOfASmartBattery) {
    void* smart = open("qor1");
    std::string text;
    ASSERT_EQ(FsaDiagnostic(smart, 5, nullptr, collect, &text), FSA_STS_SUCCESS);
    EXPECT_EQ(text, "\n\nBattery Information"
                    "\n-------------------"
                    "\nBattery Serial Number:     NONE"
                    "\nFull Charge Capacity:      2100 mAh"
                    "\nDesign capacity:           2200 mAh"
                    "\nRemaining Capacity:        1800 mAh"
                    "\nVoltage:                   8100 mV"
                    "\nCurrent:                   -100 mA"
                    "\nSpecification Information: NONE"
                    "\nTemperature:               31 C"
                    "\nLast recondition date:     NONE"
                    "\nNext recondition date:     NONE");
    // A battery that does not answer shows every value as unknown.
    sim.update(1, [](qorsim::Adapter& a) { a.maint.batteryRegisters.clear(); });
    text.clear();
    ASSERT_EQ(FsaDiagnostic(smart, 5, nullptr, collect, &text), FSA_STS_SUCCESS);
    EXPECT_NE(text.find("\nVoltage:                   Unknown"), std::string::npos);
    FsaCloseAdapter(smart);
}

TEST_F(MaintenanceTest, PartitionTable) {
    FSA_STATUS s;
    const std::string text = diagnostic(handle, 0, 1, &s);
    ASSERT_EQ(s, FSA_STS_SUCCESS);
    EXPECT_EQ(text.rfind("Partitions:", 0), 0u);
    EXPECT_NE(text.find("\nPar  Sector   Count Num Flags"), std::string::npos);
    EXPECT_NE(text.find("(Free Space)\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
    EXPECT_EQ(text.find("Battery"), std::string::npos);
}

} // namespace

namespace {

const char* kParamConfig = R"({"adapters": [{"index": 0, "serial": 4660, "nvSlots": 2,
  "parameters": [{"index": 0, "name": "BootDelay", "variable": 40, "value": 5},
                 {"index": 1, "name": "Spinup", "variable": 41, "value": 2},
                 {"index": 128, "name": "FanSpeed", "variable": 50, "value": 3}],
  "historyLast": ["boot ok\n", "disk 3 ", "gone\n"],
  "historyCurrent": []}]})";

class ParameterTest : public MaintenanceTest {
protected:
    std::string config() const override { return kParamConfig; }
};

TEST_F(ParameterTest, BootParametersLiveInNvramSlots) {
    std::uint32_t value = 0;
    ASSERT_EQ(FsaAdapterParameters(handle, 1, "FanSpeed", &value), FSA_STS_SUCCESS);
    EXPECT_EQ(value, 3u); // the controller's current value
    value = 9;
    ASSERT_EQ(FsaAdapterParameters(handle, 0, "FanSpeed", &value), FSA_STS_SUCCESS);
    ASSERT_EQ(FsaAdapterParameters(handle, 1, "FanSpeed", &value), FSA_STS_SUCCESS);
    EXPECT_EQ(value, 9u); // the stored slot wins
    EXPECT_EQ(sim.snapshot(0).maint.nvSlots[0][0], 0x80);
    value = 7;
    ASSERT_EQ(FsaAdapterParameters(handle, 0, "FanSpeed", &value), FSA_STS_SUCCESS); // same slot
    ASSERT_EQ(FsaAdapterParameters(handle, 0, "BootDelay", &value), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaAdapterParameters(handle, 0, "Spinup", &value), 313u); // every slot taken
    EXPECT_EQ(FsaAdapterParameters(handle, 0, "Nothing", &value), 312u);
    value = 4;
    EXPECT_EQ(FsaAdapterParameters(handle, 1, "Nothing", &value), 312u);
    EXPECT_EQ(value, 0u);
    ASSERT_EQ(FsaAdapterParameters(handle, 4, nullptr, nullptr), FSA_STS_SUCCESS);
    for (const auto& slot : sim.snapshot(0).maint.nvSlots)
        EXPECT_EQ(slot[0], 0xFF);
    ASSERT_EQ(FsaAdapterParameters(handle, 1, "FanSpeed", &value), FSA_STS_SUCCESS);
    EXPECT_EQ(value, 3u);
    EXPECT_EQ(FsaAdapterParameters(handle, 3, "FanSpeed", &value), FSA_STS_NOT_IMPLEMENTED);
    EXPECT_EQ(FsaAdapterParameters(handle, 5, "FanSpeed", &value), FSA_STS_BAD_OPERATION);
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaAdapterParameters(readOnly, 0, "FanSpeed", &value), FSA_STS_NEEDS_READ_WRITE);
    EXPECT_EQ(FsaAdapterParameters(readOnly, 2, "FanSpeed", &value), FSA_STS_NEEDS_READ_WRITE);
    EXPECT_EQ(FsaAdapterParameters(readOnly, 1, "FanSpeed", &value), FSA_STS_SUCCESS);
    FsaCloseAdapter(readOnly);
}

TEST_F(ParameterTest, SerialNumberAndDebugBreak) {
    std::uint32_t w0 = 0x11223344, w1 = 0x55667788;
    ASSERT_EQ(FsaControllerSerialNumber(handle, 1, &w0, &w1), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).serialNumber[0], 0x44);
    ASSERT_EQ(FsaControllerSerialNumber(handle, 2, &w0, &w1), FSA_STS_SUCCESS);
    EXPECT_EQ(w0, 0u);
    EXPECT_EQ(sim.snapshot(0).serialNumber[0], 0);
    EXPECT_EQ(FsaControllerSerialNumber(handle, 3, &w0, &w1), FSA_STS_NOT_IMPLEMENTED);
    ASSERT_EQ(FsaSetPanicOnTakeABreak(handle, 1), FSA_STS_SUCCESS);
    EXPECT_TRUE(sim.snapshot(0).maint.panicOnBreak);
    ASSERT_EQ(FsaSetPanicOnTakeABreak(handle, 0), FSA_STS_SUCCESS);
    EXPECT_FALSE(sim.snapshot(0).maint.panicOnBreak);
}

TEST_F(ParameterTest, HistoryBuffersEndAtTheFirstMissingEntry) {
    FSA_STATUS s;
    const std::string text = diagnostic(handle, 0, 4 | 8, &s);
    ASSERT_EQ(s, FSA_STS_SUCCESS);
    EXPECT_EQ(text, "\n\n *** HISTORY BUFFER FROM LAST RUN ***\n\n"
                    "[00]: boot ok\n"
                    "[01]: disk 3 gone\n"
                    "\n"
                    "\n\n *** HISTORY BUFFER FROM CURRENT CONTROLLER RUN ***\n\n"
                    "\n");
    // Any other refusal ends the dump with its status.
    qorsim::Fault refused;
    refused.ctCommand = 57;
    refused.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, qorsim::kFibHeader + 8, 3); };
    sim.inject(refused);
    diagnostic(handle, 0, 4, &s);
    EXPECT_EQ(s, FSA_STATUS(169));
}

} // namespace
