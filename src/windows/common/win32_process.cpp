#include "win32_process.h"

#include "perf_data.h"
#include "perf_data_reader.h"
#include "proc_address.h"
#include "process_name.h"

#include <cstring>
#include <strings.h>

namespace {

constexpr std::size_t kMaxInstances = 256;
constexpr std::size_t kNameBytes = 260;

class SnapshotHandle {
public:
    explicit SnapshotHandle(HANDLE h) : h_(h) {}
    ~SnapshotHandle() {
        if (valid())
            CloseHandle(h_);
    }
    SnapshotHandle(const SnapshotHandle&) = delete;
    SnapshotHandle& operator=(const SnapshotHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

} // namespace

bool Win32Process::fail(const char* text) {
    m_errorText = text;
    return false;
}

bool Win32Process::initialize() {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        m_isNT = true;
        return true;
    }
    if (version.dwMajorVersion < 4)
        return fail("Unsupported OS version");
    m_isNT = false;
    m_kernel32 = GetModuleHandleA("kernel32.dll");
    if (!m_kernel32)
        return fail("Could not get kernel32 handle");
    m_createSnapshot = kor::procAddress<SnapshotFn>(m_kernel32, "CreateToolhelp32Snapshot");
    if (!m_createSnapshot)
        return fail("Could not get CreateToolhelp32Snapshot pointer");
    m_process32First = kor::procAddress<ProcessWalkFn>(m_kernel32, "Process32First");
    if (!m_process32First)
        return fail("Could not get Process32First pointer");
    m_process32Next = kor::procAddress<ProcessWalkFn>(m_kernel32, "Process32Next");
    if (!m_process32Next)
        return fail("Could not get Process32Next pointer");
    return true;
}

bool Win32Process::GetProcessStatus(std::string& name, bool& running) {
    if (!m_isNT)
        kor::lowerAsciiInPlace(name);
    if (!walk(&name))
        return false;
    running = m_found;
    return true;
}

bool Win32Process::refresh() {
    return walk(nullptr);
}

bool Win32Process::walk(const std::string* wanted) {
    if (wanted)
        m_found = false;
    else
        m_processList.clear();
    return m_isNT ? walkPerformanceData(wanted) : walkToolhelp(wanted);
}

bool Win32Process::walkPerformanceData(const std::string* wanted) {
    std::optional<kor::perf::CounterIndex> processIndex;
    {
        std::vector<char> names;
        if (!kor::perf::readCounterNames(names, m_errorText))
            return false;
        processIndex = kor::perf::findCounterIndex(names.data(), names.size(), "process");
    }
    if (!processIndex)
        return fail("Could not find the process counter name");

    std::vector<uint8_t> block;
    if (!kor::perf::readPerformanceData(processIndex->text, block, m_errorText))
        return false;
    std::vector<kor::perf::Instance> instances;
    kor::perf::ObjectQuery query;
    query.objectIndex = processIndex->value;
    query.maxInstances = kMaxInstances;
    if (kor::perf::parseObjectInstances(block.data(), block.size(), query, instances) !=
        kor::perf::ParseStatus::Ok)
        return fail("Could Not Obtain Performance Data");

    std::vector<std::string> listed;
    for (const auto& instance : instances) {
        std::string name;
        if (!kor::perf::toCodePage(instance.name, kNameBytes, name))
            continue;
        if (wanted) {
            if (strcasecmp(name.c_str(), wanted->c_str()) == 0) {
                m_found = true;
                break;
            }
        } else {
            listed.push_back(std::move(name));
        }
    }
    if (!wanted)
        m_processList = std::move(listed);
    return true;
}

bool Win32Process::walkToolhelp(const std::string* wanted) {
    SnapshotHandle snapshot(m_createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid())
        return fail("Failed in creating snapshot");
    PROCESSENTRY32 entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    for (BOOL more = m_process32First(snapshot.get(), &entry); more;
         more = m_process32Next(snapshot.get(), &entry)) {
        std::string name = kor::imageBaseName(
            std::string_view(entry.szExeFile, strnlen(entry.szExeFile, sizeof entry.szExeFile)));
        kor::lowerAsciiInPlace(name);
        if (wanted) {
            if (name == *wanted) {
                m_found = true;
                return true;
            }
        } else {
            m_processList.push_back(std::move(name));
        }
    }
    return true;
}
