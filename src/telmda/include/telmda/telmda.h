/* Exports of the card data-access module, a plug-in of the management host.
 * The host calls ModuleAttach/ModuleDetach (also run by the library's load
 * and unload hooks), telmda_sendCmd with a request's parameters and
 * telmda_freeData with the answer text. */
#ifndef TELMDA_TELMDA_H
#define TELMDA_TELMDA_H

#include <stdint.h>

#include "mgmthost/ocs.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef OCSDASCmdHandler DBIntfHandler;

/* One row of the command table. */
typedef struct DBIntfCmdEntry {
    const char* name;
    DBIntfHandler handler;
} DBIntfCmdEntry;

int ModuleAttach(void);
int ModuleDetach(void);
char* telmda_sendCmd(int32_t paramCount, OCSParamList params);
void telmda_freeData(char* answer);

DBIntfCmdEntry* DBIntfGetCDT(unsigned* count);
int DBIntfSortCDT(void);
const char* DBIntfQVACmd(int32_t paramCount, OCSParamList params);
char* DBIntfSendCmd(int32_t paramCount, OCSParamList params);
void DBIntfFreeData(char* answer);
int DBIntfCmdCmp(const void* rowA, const void* rowB);
int DBIntfCmdCmpValue(const void* key, const void* row);
char* CMDHelp(int32_t paramCount, OCSParamList params);

/* Answer status codes. */
enum {
    TELMDA_STATUS_OK = 0,
    TELMDA_STATUS_FAILED_LIST = -1,
    TELMDA_STATUS_CARD_ABSENT = 17,
    TELMDA_STATUS_NOT_FOUND = 256,
    TELMDA_STATUS_WRONG_OBJECT = 257,
    TELMDA_STATUS_DUPLICATE = 258,
    TELMDA_STATUS_MISSING_INPUT = 271,
    TELMDA_STATUS_NO_MEMORY = 272,
    TELMDA_STATUS_NO_FREE_ENTRY = 290,
    TELMDA_STATUS_CERT_VIEW_FAILED = 1032,
    TELMDA_STATUS_CERT_VIEW_NO_MEMORY = 1034,
    TELMDA_STATUS_REFUSED = 1073
};

/* CustomStat values. */
enum { TELMDA_CUSTOM_CARD_ABSENT = 10, TELMDA_CUSTOM_EMPTY_LIST = 20, TELMDA_CUSTOM_NO_ENTRY = 30 };

#ifdef __cplusplus
}
#endif

#endif
