// Bus reset, the diagnostic entry point and its text reports.
#include "HandleTable.h"
#include "SimFixture.h"
#include "TextDump.h"

#include <string>
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

class MaintenanceTest : public fsatest::SimTest {
protected:
    std::string config() const override { return kConfig; }
    void SetUp() override {
        SimTest::SetUp();
        handle = open();
        sim.clearJournal();
    }
    void TearDown() override {
        FsaCloseAdapter(handle);
        SimTest::TearDown();
    }
    std::vector<int> sent(bool scsi) const {
        std::vector<int> out;
        for (const auto& e : sim.journal()) {
            const int op = scsi ? e.scsiOperation : e.ctCommand;
            if (op >= 0)
                out.push_back(op);
        }
        return out;
    }
    std::string diagnostic(void* h, std::uint32_t op, int selector, FSA_STATUS* status) {
        std::string text;
        *status = FsaDiagnostic(h, op, &selector, collect, &text);
        return text;
    }

    void* handle = nullptr;
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
    EXPECT_EQ(sent(true), std::vector<int>{9});
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
    EXPECT_EQ(sent(false), std::vector<int>{34}); // re-configuration, once
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
