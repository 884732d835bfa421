// A stand-in of the card link library for the binding's tests: its state
// lives in this control library, which stays loaded while the stand-in
// libtelm.so is loaded and unloaded by the module.
#pragma once

#include <string>
#include <vector>

namespace fake_telm {

void reset();
// Answers of devuzObjIdGet by (group, object): the text copied out (with its
// NUL, cut to the buffer) and the call's result.
void setObject(int group, int object, const std::string& text, int result = 0);
// The text devuzObjName copies out for every command.
void setCommandOutput(const std::string& text);
// Calls as "get <type> <group> <object> <index> <length>" and
// "name <type> <command> <length>".
std::vector<std::string> calls();
int loads();
int unloads();
// While held, calls wait inside the library until released.
void holdCalls(bool hold);
// Waits (at most 10 s) until a call is waiting inside the library.
bool waitForHeldCall();

// Entry points of the stand-in library.
void noteLoad();
void noteUnload();
int objIdGet(int type, int group, int object, int index, char* out, int outLength);
int objName(int type, const char* command, char* out, int outLength);

} // namespace fake_telm
