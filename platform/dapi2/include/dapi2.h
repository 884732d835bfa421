/*
 * dapi2.h - diagnostic host library interface (libdapi2.so).
 *
 * A diagnostic program registers two callbacks, hands its command line to Dapi2_Main and
 * from then on is driven by the host: the enumerate callback registers the devices the
 * program can test, the run callback runs a test on one of them and reports progress,
 * warnings, errors and a result code.
 *
 * Everything the library creates (registration structures, devices, FRU records and
 * their entries, the texts they hand out) belongs to the library; registration
 * structures are released with Dapi2_FreeRegistrationStructure, the rest lives until the
 * process ends.
 *
 * The command line of this build, the stop requests, the call transcript and the failure
 * injections are described in platform/dapi2/README.md; the in-process control API for
 * tests is in dapi2_control.h.
 */
#ifndef DAPI2_H
#define DAPI2_H

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque records owned by the library. */
typedef struct tag_DapiRegistration tag_DapiRegistration;
typedef struct tag_DapiDiagDevice tag_DapiDiagDevice;
typedef struct tag_DapiFruInfo tag_DapiFruInfo;
typedef struct tag_DapiFruAdditionalInfo tag_DapiFruAdditionalInfo;

/* Callback kinds for Dapi2_AddRegistrationStructureCallback. */
#define DAPI2_CALLBACK_ENUMERATE 1 /* Dapi2EnumerateCallback */
#define DAPI2_CALLBACK_RUN 3       /* Dapi2RunCallback */

/* Enumerate: register every testable device with the host, return the module's code. */
typedef int (*Dapi2EnumerateCallback)(void);
/* Run: run test testNumber (as the user gave it) on device, return the module's code. */
typedef int (*Dapi2RunCallback)(int testNumber, tag_DapiDiagDevice* device);
/* How callbacks of any kind are passed; the host calls each with the type of its kind. */
typedef void (*Dapi2Callback)(void);

/* ---- registration ---------------------------------------------------------------------- */

/* A new registration structure, or NULL when none could be created. */
tag_DapiRegistration* Dapi2_CreateRegistrationStructure(void);

/* Registers fn as the callback of the given kind (a later one replaces an earlier one).
 * 0 on success, -1 for a NULL structure or function or an unknown kind. */
int Dapi2_AddRegistrationStructureCallback(tag_DapiRegistration* reg, int kind, Dapi2Callback fn);

/* Releases a registration structure; NULL is accepted and ignored. */
void Dapi2_FreeRegistrationStructure(tag_DapiRegistration* reg);

/* Announces the interface version the module was written for. 0 when supported (1.x). */
int Dapi2_Version(int major, int minor, int patch);

/* Runs the whole host session (command line, callbacks); the result is the process's
 * exit code. */
int Dapi2_Main(int argc, char** argv, tag_DapiRegistration* reg);

/* ---- devices --------------------------------------------------------------------------- */

/* Creates a PCI device record. On success *device is the new record and 0 is returned; on
 * failure *device is set to NULL and -1 is returned. Texts are copied. */
int Dapi2_CreateDevicePCI(const char* type, int number, const char* name, const char* location,
                          const char* description, int bus, int device, int function,
                          tag_DapiDiagDevice** out);

/* Creates a memory device record; sizeKB is the memory size in KB. Same results as
 * Dapi2_CreateDevicePCI. */
int Dapi2_CreateDeviceMemory(const char* type, int number, const char* name, const char* location,
                             const char* description, unsigned long sizeKB,
                             tag_DapiDiagDevice** out);

/* Offers a created device for testing (numbered from 0 in the order of this call).
 * 0 on success, -1 for NULL or a device offered already. */
int Dapi2_AddDevice(tag_DapiDiagDevice* device);

/* Sets the device's FRU texts (replacing earlier ones). 0 on success, -1 for a NULL
 * device. NULL texts are stored as empty texts. */
int Dapi2_AddFruToDevice(tag_DapiDiagDevice* device, const char* manufacturer, const char* model,
                         const char* serialNumber, const char* partNumber, const char* revision,
                         const char* manufactureDate);

/* Appends one additional-information entry (key, description, value) to the device's FRU
 * record; the value is kept with the device and handed back to the run callback.
 * 0 on success, -1 for a NULL device or key. */
int Dapi2_AddFruAdditionalInfoToDevice(tag_DapiDiagDevice* device, const char* key,
                                       const char* description, const char* value);

/* Names the tests that apply to the device ("*": every test of the module).
 * 0 on success, -1 for a NULL device or list. */
int Dapi2_AddTestsToDevice(tag_DapiDiagDevice* device, const char* tests);

/* The device's FRU record, or NULL for a NULL device. */
tag_DapiFruInfo* Dapi2_GetDeviceFruInfo(tag_DapiDiagDevice* device);

/* Walks the FRU record's additional-information entries in the order they were added:
 * First restarts the walk, Next continues it; both give NULL past the last entry. */
tag_DapiFruAdditionalInfo* Dapi2_GetFirstFruAdditionalInfo(tag_DapiFruInfo* fru);
tag_DapiFruAdditionalInfo* Dapi2_GetNextFruAdditionalInfo(tag_DapiFruInfo* fru);

/* An entry's key and value texts (NULL for a NULL entry). */
const char* Dapi2_GetFruAdditionalInfoField(tag_DapiFruAdditionalInfo* entry);
const char* Dapi2_GetFruAdditionalInfoValue(tag_DapiFruAdditionalInfo* entry);

/* ---- reporting during a run -------------------------------------------------------------- */

/* Progress of the running test in per cent (0-100). Returns 0. */
int Dapi2_SetPercentDone(int percent);

/* A warning or an error of the running test, with its event code and text. Return 0. */
int Dapi2_Warning(unsigned int code, const char* text);
int Dapi2_Error(unsigned int code, const char* text);

/* Non-zero once a stop of the running test has been requested; stays non-zero until the
 * next run begins. */
int Dapi2_CheckForStop(void);

#ifdef __cplusplus
}
#endif

#endif /* DAPI2_H */
