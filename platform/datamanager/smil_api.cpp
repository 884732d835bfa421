// The exported SMIL reads and the stand-in's control interface, over one
// process-wide store guarded by a mutex.
#include "configfile/config_file.h"
#include "object_store.h"
#include "smil/smil.h"
#include "smil/smil_standin.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <unordered_set>

namespace smil_standin {
namespace {

struct State {
    std::mutex mutex;
    bool loaded = false;
    ObjectStore store;
    std::unordered_set<void*> live;
    std::size_t badFrees = 0;
    unsigned reads = 0;
    unsigned failAt = 0;
    std::vector<std::string> journal;
};

State& state() {
    static State* s = new State; // outlives every static destructor that may still free objects
    return *s;
}

ObjectStore storeFromFile(const std::string& path) {
    return standin_config::load(path, ObjectStore::fromJson);
}

// Loads SMIL_STANDIN_FILE on first use. A file that was named but cannot be
// used ends the program: a data manager without its objects would pass for
// a real answer.
void ensureLoaded(State& s) {
    if (s.loaded)
        return;
    s.loaded = true;
    const char* file = std::getenv("SMIL_STANDIN_FILE");
    if (!file || !*file)
        return;
    try {
        s.store = storeFromFile(file);
    } catch (const std::exception& e) {
        standin_config::endProgram("smil stand-in", e);
    }
}

// Counts a read and says whether the failure plan makes it fail.
bool readFails(State& s) {
    ++s.reads;
    return s.failAt != 0 && s.reads == s.failAt;
}

void* handOut(State& s, const void* data, std::size_t len) {
    void* p = std::malloc(len ? len : 1);
    if (!p)
        return nullptr;
    std::memcpy(p, data, len);
    s.live.insert(p);
    return p;
}

uint32_t* handOutList(State& s, const std::vector<std::uint32_t>& oids) {
    std::vector<std::uint32_t> words;
    words.push_back(static_cast<std::uint32_t>(oids.size()));
    words.insert(words.end(), oids.begin(), oids.end());
    return static_cast<uint32_t*>(handOut(s, words.data(), words.size() * sizeof(std::uint32_t)));
}

void* objectCopy(State& s, std::uint32_t oid) {
    StoredObject* o = s.store.find(oid);
    return o && !o->unreadable ? handOut(s, o->bytes.data(), o->bytes.size()) : nullptr;
}

template <typename Fn> auto locked(Fn&& fn) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return fn(s);
}

void note(State& s, std::string line) {
    s.journal.push_back(std::move(line));
}

std::string oidText(const uint32_t* oid) {
    return oid ? std::to_string(*oid) : std::string("-");
}

// Shared frame of every read: lock, load, journal, down/failure checks.
template <typename Fn> auto read(const std::string& line, Fn&& fn) -> decltype(fn(state())) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    ensureLoaded(s);
    note(s, line);
    if (!s.store.ready() || readFails(s))
        return nullptr;
    return fn(s);
}

void install(ObjectStore store) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.store = std::move(store);
    s.loaded = true;
}

} // namespace

void loadJson(const std::string& text) {
    install(ObjectStore::fromJson(text));
}

void loadFile(const std::string& path) {
    install(storeFromFile(path));
}

void reset() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.store = ObjectStore();
    s.loaded = true;
    s.badFrees = 0;
    s.reads = 0;
    s.failAt = 0;
    s.journal.clear();
}

void setReady(bool ready) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    ensureLoaded(s);
    s.store.setReady(ready);
}

void failReadAt(unsigned n) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.reads = 0;
    s.failAt = n;
}

unsigned readCount() {
    return locked([](State& s) { return s.reads; });
}

std::size_t liveObjects() {
    return locked([](State& s) { return s.live.size(); });
}

std::size_t badFrees() {
    return locked([](State& s) { return s.badFrees; });
}

std::vector<std::string> journal() {
    return locked([](State& s) { return s.journal; });
}

void clearJournal() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.journal.clear();
}

std::vector<std::uint8_t> objectBytes(std::uint32_t oid) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    ensureLoaded(s);
    StoredObject* o = s.store.find(oid);
    return o ? o->bytes : std::vector<std::uint8_t>();
}

bool writeBytes(std::uint32_t oid, std::size_t offset, const void* data, std::size_t len) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    ensureLoaded(s);
    StoredObject* o = s.store.find(oid);
    if (!o || offset > o->bytes.size() || len > o->bytes.size() - offset)
        return false;
    std::memcpy(o->bytes.data() + offset, data, len);
    return true;
}

} // namespace smil_standin

using namespace smil_standin;

extern "C" {

uint32_t SMILIsDataManagerReady(void) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    ensureLoaded(s);
    note(s, "SMILIsDataManagerReady");
    return s.store.ready() ? 1 : 0;
}

void* SMILGetObjByOID(const uint32_t* oid) {
    return read("SMILGetObjByOID " + oidText(oid),
                [&](State& s) -> void* { return oid ? objectCopy(s, *oid) : nullptr; });
}

void* SMILGetObjByType(const uint32_t* parentOid, uint16_t type, uint32_t instance) {
    return read("SMILGetObjByType " + oidText(parentOid) + " " + std::to_string(type) + " " +
                    std::to_string(instance),
                [&](State& s) -> void* {
                    if (!parentOid)
                        return nullptr;
                    const std::vector<std::uint32_t> kids = s.store.children(*parentOid, type);
                    return instance < kids.size() ? objectCopy(s, kids[instance]) : nullptr;
                });
}

uint32_t* SMILListChildOIDByType(const uint32_t* oid, uint16_t type) {
    return read("SMILListChildOIDByType " + oidText(oid) + " " + std::to_string(type),
                [&](State& s) -> uint32_t* {
                    if (!oid || !s.store.find(*oid))
                        return nullptr;
                    return handOutList(s, s.store.children(*oid, type));
                });
}

uint32_t* SMILListParentOID(const uint32_t* oid) {
    return read("SMILListParentOID " + oidText(oid), [&](State& s) -> uint32_t* {
        if (!oid || !s.store.find(*oid))
            return nullptr;
        return handOutList(s, s.store.parents(*oid, nullptr));
    });
}

uint32_t* SMILListParentOIDByType(const uint32_t* oid, uint16_t type) {
    return read("SMILListParentOIDByType " + oidText(oid) + " " + std::to_string(type),
                [&](State& s) -> uint32_t* {
                    if (!oid || !s.store.find(*oid))
                        return nullptr;
                    return handOutList(s, s.store.parents(*oid, &type));
                });
}

char* SMILDOGetByOffsetUTF8Str(const void* object, uint32_t offset) {
    if (!object)
        return nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(object);
    std::uint32_t size = 0;
    std::memcpy(&size, bytes, 4);
    if (size < 16 || offset > size - 4)
        return nullptr;
    std::uint32_t textAt = 0;
    std::memcpy(&textAt, bytes + offset, 4);
    if (textAt < 16 || textAt >= size)
        return nullptr;
    if (!std::memchr(bytes + textAt, 0, size - textAt))
        return nullptr;
    return const_cast<char*>(reinterpret_cast<const char*>(bytes + textAt));
}

void SMILFreeGeneric(void* p) {
    if (!p)
        return;
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.live.erase(p) == 0) {
        ++s.badFrees;
        std::fprintf(stderr, "smil stand-in: SMILFreeGeneric of unknown pointer %p\n", p);
        return;
    }
    std::free(p);
}

} // extern "C"
