// The host calling back into the module, for Dapi2_Main and the control API alike.
#ifndef DAPI2_CALLBACKS_H
#define DAPI2_CALLBACKS_H

#include "dapi2.h"

namespace dapi2 {

// Forgets the devices offered so far and calls the enumerate callback of reg (the most
// recently created live structure when reg is null). False when there is none.
bool callEnumerate(tag_DapiRegistration* reg, int& result);

// Starts a new run (reports and stop state cleared) and calls the run callback of reg
// (as above) with the test number and device. False when there is none.
bool callRun(tag_DapiRegistration* reg, int testNumber, tag_DapiDiagDevice* device, int& result);

} // namespace dapi2

#endif // DAPI2_CALLBACKS_H
