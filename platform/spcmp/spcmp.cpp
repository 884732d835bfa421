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
int lastType = 0;
std::map<std::tuple<int, int, int>, std::string> objects;

int note(int type) {
    ++calls;
    lastType = type;
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
    if (int rc = note(type))
        return rc;
    if (type != 3 || !command || !status)
        return -1;
    *status = 0;
    return copyOut(std::string("spcmp: ") + command, out, outLength);
}

extern "C" int devuzObjectIdSet(int type, int group, int object, int index, const char* value,
                                int* status) {
    std::lock_guard<std::mutex> guard(lock);
    if (int rc = note(type))
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
    if (int rc = note(type))
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

extern "C" int spcmpStandinLastType(void) {
    std::lock_guard<std::mutex> guard(lock);
    return lastType;
}

extern "C" void spcmpStandinFailWith(int result) {
    std::lock_guard<std::mutex> guard(lock);
    failure = result;
}

extern "C" void spcmpStandinReset(void) {
    std::lock_guard<std::mutex> guard(lock);
    calls = 0;
    failure = 0;
    lastType = 0;
    objects.clear();
}
