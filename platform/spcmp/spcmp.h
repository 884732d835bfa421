// The card access library's three calls (as the link library's library route
// binds them) and this stand-in's control API for tests.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

int devuzObjectName(int type, const char* command, char* out, int outLength, int* status);
int devuzObjectIdSet(int type, int group, int object, int index, const char* value, int* status);
int devuzObjectIdGet(int type, int group, int object, int index, char* out, int outLength,
                     int* status);

/* Control and inspection of the stand-in. */
int spcmpStandinCallCount(void);
/* The card type the last call received. */
int spcmpStandinLastType(void);
/* Every following call returns `result` (0 = answer normally). */
void spcmpStandinFailWith(int result);
void spcmpStandinReset(void);

#ifdef __cplusplus
}
#endif
