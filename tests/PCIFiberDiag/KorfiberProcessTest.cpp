// The real korfiber through the host stand-in (libdapi2.so) and the SDM
// stand-in (libqlsdm.so): exit codes, host output, logs, and no SDM handle
// left open.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ElfNeeded.h"
#include "ProcessHelpers.h"

using namespace korfiber_test;
using nlohmann::json;

namespace {

const char* const FIRST = "20 00 00 e0 8b 01 02 03";

json port(int nvram = 0, int state = 0) {
    return {{"nvram", nvram}, {"state", state}};
}

json hba(const std::string& wwn, const std::string& model, json ports, json failures = {}) {
    json adapter = {{"node_wwn", wwn},
                    {"model", model},
                    {"model_description", "Dual Port"},
                    {"chip", {{"bus", 4}, {"pci_id", 8962}, {"type", 0}}},
                    {"ports", ports}};
    if (!failures.is_null())
        adapter["fail"] = failures;
    return adapter;
}

// A directory with the stand-in's adapter file.
class AdapterFile {
public:
    explicit AdapterFile(const std::vector<json>& adapters, unsigned verifyDelayMs = 0) {
        json file = {{"verify_delay_ms", verifyDelayMs},
                     {"errors", {{"0x20000200", "Port not ready"}}},
                     {"adapters", adapters}};
        std::ofstream(m_directory.path() / "adapters.json") << file.dump(2);
    }
    Environment environment(Environment more = {}) const {
        more["QLSDM_STANDIN_FILE"] = (m_directory.path() / "adapters.json").string();
        return more;
    }
    const TempDirectory& directory() const { return m_directory; }

private:
    TempDirectory m_directory;
};

Outcome korfiber(const AdapterFile& setup, std::vector<std::string> arguments,
                 Environment more = {}) {
    return run(KORFIBER_PATH, arguments, setup.environment(more), setup.directory().path());
}

void expectNoHandleLeft(const Outcome& outcome, const std::string& name) {
    EXPECT_EQ(outcome.err.find("still open"), std::string::npos) << name << "\n" << outcome.err;
}

} // namespace

TEST(KorfiberProcess, NeedsTheSdmLibraryToStart) {
    std::vector<std::string> needed = neededLibraries(KORFIBER_PATH);
    EXPECT_NE(std::find(needed.begin(), needed.end(), "libqlsdm.so"), needed.end());
    EXPECT_NE(std::find(needed.begin(), needed.end(), "libdapi2.so"), needed.end());
}

TEST(KorfiberProcess, ListOffersTheQla2312Adapters) {
    AdapterFile setup(
        std::vector<json>{hba(FIRST, "QLA2312", {port(), port()}),
                          hba("20 00 00 e0 8b 0a 0b 0c", "Adapter Model 100", {port()}),
                          hba("20 00 00 e0 8b 0d 0e 0f", "QLA2312", {port()})});
    Outcome outcome = korfiber(setup, {"list"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.text();
    EXPECT_TRUE(outcome.hasLine("devices: 2")) << outcome.text();
    EXPECT_TRUE(outcome.hasLine(
        "device 0: type \"PCI\" number 0 name \"QLogic PCI Fiber Channel Adapter\" location \"PCI "
        "Bus 4:Device Number 8962:Type 0\" description \"QLA2312 Dual Port\" bus 4 device 8962 "
        "function 0"))
        << outcome.text();
    expectNoHandleLeft(outcome, "list");

    AdapterFile none({});
    outcome = korfiber(none, {"list"});
    EXPECT_EQ(outcome.exitCode, 9) << outcome.text();
    EXPECT_TRUE(outcome.hasLine("devices: 0")) << outcome.text();
}

// An adapter file that was named but cannot be used ends korfiber with the
// stand-in's configuration error, the file's name and the key at fault, before
// any adapter is reported: a list of no adapters, or of adapters other than
// the file describes, would look like a real answer.
TEST(KorfiberProcess, UnusableAdapterFileIsAnErrorNamingTheFile) {
    const TempDirectory dir;
    fs::create_directory(dir.path() / "a-directory");
    const std::string wwn = R"("node_wwn": "20 00 00 e0 8b 01 02 03")";
    const auto oneAdapter = [&wwn](const std::string& more) {
        return R"({"adapters": [{)" + wwn + more + "}]}";
    };
    std::string manyPorts = "[{}";
    for (int k = 1; k < 65536; ++k)
        manyPorts += ", {}";
    manyPorts += "]";
    struct Problem {
        const char* file;
        std::string content; // written to the file unless empty
        const char* reason;  // a piece of the message after the file's name
    };
    const Problem problems[] = {
        {"missing.json", "", "No such file or directory"},
        {"a-directory", "", "not a regular file"},
        {"not-json.json", R"({"adapters": [)", "JSON"},
        {"no-wwn.json", R"({"adapters": [{}]})", "node_wwn"},
        {"misspelt-key.json", R"({"adapter": []})", "/adapter: unknown key"},
        {"misspelt-adapter-key.json", oneAdapter(R"(, "modle": "QLA2312")"),
         "/adapters/0/modle: unknown key"},
        {"misspelt-chip-key.json", oneAdapter(R"(, "chip": {"buss": 4})"),
         "/adapters/0/chip/buss: unknown key"},
        {"misspelt-port-key.json", oneAdapter(R"(, "ports": [{"nvarm": 0}])"),
         "/adapters/0/ports/0/nvarm: unknown key"},
        {"misspelt-failure.json", oneAdapter(R"(, "fail": {"opne": 5})"),
         "/adapters/0/fail/opne: unknown key"},
        {"misspelt-failure-key.json", oneAdapter(R"(, "fail": {"node": {"code": 5, "afer": 2}})"),
         "/adapters/0/fail/node/afer: unknown key"},
        {"wwn-as-number.json", R"({"adapters": [{"node_wwn": 5}]})", "/adapters/0/node_wwn: "},
        {"model-as-number.json", oneAdapter(R"(, "model": 2312)"), "/adapters/0/model: "},
        {"port-not-an-object.json", oneAdapter(R"(, "ports": [5])"), "/adapters/0/ports/0: "},
        {"chip-not-an-object.json", oneAdapter(R"(, "chip": 4)"), "/adapters/0/chip: "},
        {"bus-beyond-a-word.json", oneAdapter(R"(, "chip": {"bus": 65536})"),
         "/adapters/0/chip/bus: 65536"},
        {"pci-id-beyond-a-word.json", oneAdapter(R"(, "chip": {"pci_id": "0x10000"})"),
         "/adapters/0/chip/pci_id: \"0x10000\""},
        {"negative-delay.json", R"({"verify_delay_ms": -1})", "/verify_delay_ms: -1"},
        {"negative-after.json", oneAdapter(R"(, "fail": {"port": {"code": 5, "after": -1}})"),
         "/adapters/0/fail/port/after: -1"},
        {"code-beyond-32-bits.json", oneAdapter(R"(, "ports": [{"state": "0x100000000"}])"),
         "/adapters/0/ports/0/state: \"0x100000000\""},
        {"serial-beyond-its-field.json",
         oneAdapter(R"(, "serial_number": "0123456789012345678901234567890123")"),
         "/adapters/0/serial_number: longer than 31 characters"},
        {"more-ports-than-a-count.json", oneAdapter(R"(, "ports": )" + manyPorts),
         "/adapters/0/ports: 65536 ports"},
        {"error-key-not-a-code.json", R"({"errors": {"zero": "x"}})", "/errors/zero: "},
        {"error-text-as-number.json", R"({"errors": {"0x20000100": 5}})", "/errors/0x20000100: "},
        {"error-code-twice.json", R"({"errors": {"16": "a", "0x10": "b"}})",
         "/errors/16: the same code as \"0x10\""},
    };
    for (const Problem& p : problems) {
        SCOPED_TRACE(p.file);
        const std::string path = (dir.path() / p.file).string();
        if (!p.content.empty())
            std::ofstream(path) << p.content;
        const Outcome outcome =
            run(KORFIBER_PATH, {"list"}, {{"QLSDM_STANDIN_FILE", path}}, dir.path());
        EXPECT_EQ(outcome.exitCode, 78) << outcome.text();
        const std::string named = "libqlsdm.so stand-in: configuration " + path + ": ";
        const std::size_t at = outcome.err.find(named);
        EXPECT_NE(at, std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find(p.reason, at + named.size()), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.lines.empty()) << outcome.text();
    }
}

TEST(KorfiberProcess, RunExitCodes) {
    struct Case {
        const char* name;
        std::vector<json> adapters;
        unsigned delayMs;
        std::vector<std::string> arguments;
        int exitCode;
        const char* line; // a line the host prints, or null
    };
    const std::vector<json> twoPorts = {hba(FIRST, "QLA2312", {port(), port()})};
    const std::vector<json> secondStateFails = {
        hba(FIRST, "QLA2312", {port(), port(0, 0x20000200)})};
    const std::vector<json> secondNvramFails = {
        hba(FIRST, "QLA2312", {port(), port(0x20000100, 0)})};
    // Enumeration reads the node record, then opens the device once: the
    // run's own open is the third read.
    const std::vector<json> nodeFailsAtRun = {
        hba(FIRST, "QLA2312", {port(), port()}, {{"node", {{"code", 0x20000100}, {"after", 2}}}})};
    // The same count for opens: at the run no adapter answers, so none
    // matches the device's WWN.
    const std::vector<json> goneAtRun = {
        hba(FIRST, "QLA2312", {port(), port()}, {{"open", {{"code", 0x20000001}, {"after", 2}}}})};
    const Case cases[] = {
        {"NVRAM test passes", twoPorts, 0, {"run", "-t", "0"}, 0, "warning: 0 \" \""},
        {"state test passes", twoPorts, 0, {"run", "-t", "1"}, 0, "warning: 0 \" \""},
        {"second port's state fails",
         secondStateFails,
         0,
         {"run", "-t", "1"},
         2,
         "error: 151 \" \""},
        {"state failure leaves NVRAM passing", secondStateFails, 0, {"run", "-t", "0"}, 0, nullptr},
        {"second port's NVRAM fails",
         secondNvramFails,
         0,
         {"run", "-t", "0"},
         2,
         "error: 150 \" \""},
        {"node record fails at the run", nodeFailsAtRun, 0, {"run", "-t", "0"}, 6, nullptr},
        {"no adapter matches at the run", goneAtRun, 0, {"run", "-t", "1"}, 6, nullptr},
        {"stopped by the host",
         twoPorts,
         1200,
         {"run", "-t", "1", "--stop-after-polls", "1"},
         8,
         "stop: after 1 polls"},
        {"test number outside", twoPorts, 0, {"run", "-t", "2"}, 2, nullptr},
    };
    // Every case at once: each run waits real seconds in the host shell.
    std::vector<std::unique_ptr<AdapterFile>> setups;
    std::vector<std::unique_ptr<TempDirectory>> outputs;
    std::vector<std::unique_ptr<ChildProcess>> processes;
    for (const Case& c : cases) {
        setups.push_back(std::make_unique<AdapterFile>(c.adapters, c.delayMs));
        outputs.push_back(std::make_unique<TempDirectory>());
        processes.push_back(start(KORFIBER_PATH, c.arguments, setups.back()->environment(),
                                  setups.back()->directory().path(), outputs.back()->path()));
    }
    for (std::size_t k = 0; k < processes.size(); ++k) {
        const Case& c = cases[k];
        Outcome outcome = finish(*processes[k]);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.name << "\n" << outcome.text();
        EXPECT_TRUE(outcome.hasLine("result: " + std::to_string(c.exitCode))) << c.name;
        if (c.line != nullptr) {
            EXPECT_TRUE(outcome.hasLine(c.line)) << c.name << "\n" << outcome.text();
        }
        // A stop is said by the progress thread and again as the run's aborted
        // summary; no other run says it.
        EXPECT_EQ(std::count(outcome.lines.begin(), outcome.lines.end(), "warning: 1 \" \""),
                  c.exitCode == 8 ? 2 : 0)
            << c.name << "\n"
            << outcome.text();
        expectNoHandleLeft(outcome, c.name);
    }
}

TEST(KorfiberProcess, RunWritesItsLogsWithDiaglog) {
    AdapterFile setup(
        std::vector<json>{hba(FIRST, "QLA2312", {port(), port(0, 0x20000200)}),
                          hba("20 00 00 e0 8b 0a 0b 0c", "Adapter Model 100", {port()})});
    Outcome outcome = korfiber(setup, {"run", "-t", "1"}, {{"DIAGLOG", "0"}});
    ASSERT_EQ(outcome.exitCode, 2) << outcome.text();
    const std::string log = setup.directory().read("korfiber.log");
    EXPECT_EQ(log.rfind("******************** ", 0), 0u) << log;
    EXPECT_NE(log.find("korfiber::HbaStateTest::run()\n"), std::string::npos) << log;
    EXPECT_NE(
        log.find("QLogicFiberDiag::HBAStateTest::pResult: HBASTATE_TEST_FAILED ERROR_EVENT\n"),
        std::string::npos)
        << log;
    const std::string app = setup.directory().read("korfiberApp.log");
    for (const std::string line :
         {"In method QLogicHBAEnumerator::getDeviceVector()\n",
          "QLogicHBAEnumerator::getDeviceVector()initialized DLL \n", "\tPciID:2302\n",
          "Added 20 00 00 e0 8b 01 02 03 controller to enumerated controller vector.\n",
          "getDeviceVector() - filtering devices that are not  QLA2312.\n",
          "QLogicHBA::runHbaStateTest() - port 1 failed: Port not ready\n"})
        EXPECT_NE(app.find(line), std::string::npos) << line << "\n" << app;
}
