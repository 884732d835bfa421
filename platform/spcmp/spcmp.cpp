// Stand-in for the outside card access library libspcmp32.so: it answers
// from a small object store of its own and keeps a journal of calls.
#include "spcmp.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace {

std::mutex lock;
int calls = 0;
int failure = 0;
spcmpStandinCall last{};
std::map<std::tuple<int, int, int>, std::string> objects;

int note(const char* function, int type, int group, int object, int index) {
    ++calls;
    last = {};
    std::strncpy(last.function, function, sizeof last.function - 1);
    last.type = type;
    last.group = group;
    last.object = object;
    last.index = index;
    return failure;
}

int copyOut(const std::string& text, char* out, int outLength) {
    if (!out || outLength <= 0 || text.size() + 1 > static_cast<size_t>(outLength))
        return -1;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return 0;
}

} // namespace

extern "C" int devuzObjectName(int type, const char* command, char* out, int outLength,
                               int* status) {
    std::lock_guard<std::mutex> guard(lock);
    if (int rc = note("devuzObjectName", type, 0, 0, 0))
        return rc;
    if (type != 3 || !command || !status)
        return -1;
    *status = 0;
    return copyOut(std::string("spcmp: ") + command, out, outLength);
}

extern "C" int devuzObjectIdSet(int type, int group, int object, int index, const char* value,
                                int* status) {
    std::lock_guard<std::mutex> guard(lock);
    if (int rc = note("devuzObjectIdSet", type, group, object, index))
        return rc;
    if (type != 3 || !value || !status)
        return -1;
    objects[{group, object, index}] = value;
    *status = 0;
    return 0;
}

extern "C" int devuzObjectIdGet(int type, int group, int object, int index, char* out,
                                int outLength, int* status) {
    std::lock_guard<std::mutex> guard(lock);
    if (int rc = note("devuzObjectIdGet", type, group, object, index))
        return rc;
    if (type != 3 || !status)
        return -1;
    auto found = objects.find({group, object, index});
    *status = found == objects.end() ? 2 : 0;
    return copyOut(found == objects.end() ? std::string() : found->second, out, outLength);
}

extern "C" int spcmpStandinCallCount(void) {
    std::lock_guard<std::mutex> guard(lock);
    return calls;
}

extern "C" spcmpStandinCall spcmpStandinLastCall(void) {
    std::lock_guard<std::mutex> guard(lock);
    return last;
}

extern "C" void spcmpStandinFailWith(int result) {
    std::lock_guard<std::mutex> guard(lock);
    failure = result;
}

extern "C" void spcmpStandinReset(void) {
    std::lock_guard<std::mutex> guard(lock);
    calls = 0;
    failure = 0;
    last = {};
    objects.clear();
}
