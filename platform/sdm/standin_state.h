// The stand-in's one process-wide state: the adapters, the open handles, the
// call counts that failure plans look at, and the journal.
#pragma once

#include <array>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "adapter_model.h"
#include "qlsdm_standin.h"

namespace qlsdm_standin {

class StandIn {
public:
    static StandIn& instance();
    ~StandIn(); // reports handles still open

    void load(Configuration configuration);

    int open(int index, int* handle);
    int close(int handle);
    // Fills the NODE, PORT (of `port`) or CHIP record.
    int property(CallKind kind, int handle, int port, void* record);
    enum Verify { NVRAM, STATE };
    int verify(Verify what, int handle, int port);
    const char* errorString(int code);

    std::size_t openHandles();
    std::vector<std::string> journal();
    void clearJournal();
    Sleeper setSleeper(Sleeper sleeper);

private:
    StandIn() = default;
    void loadOnFirstUse();                                 // caller holds m_lock
    const AdapterModel* adapterOf(int handle, int& index); // caller holds m_lock
    int planned(int adapter, CallKind kind);               // caller holds m_lock
    void note(const std::string& line);                    // caller holds m_lock

    std::mutex m_lock;
    bool m_loaded = false;
    Configuration m_configuration;
    std::vector<std::array<unsigned, CALL_KINDS>> m_calls;
    std::map<int, int> m_handles; // handle -> adapter index
    int m_nextHandle = 1;
    std::vector<std::string> m_journal;
    std::set<std::string> m_keptTexts; // every text handed out
    Sleeper m_sleeper = nullptr;
};

} // namespace qlsdm_standin
