/* Services of the management host (libqvacs32.so.1) as loaded modules use
 * them: request parameters, XML answer buffers, host memory, the context lock,
 * the export context, the library loader and the command log. */
#ifndef MGMTHOST_OCS_H
#define MGMTHOST_OCS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A request's parameters: `count` texts "name=value". */
typedef const char* const* OCSParamList;

/* Value kinds of OCSDASNVPValToXVal and of the XML writer. */
enum {
    OCS_KIND_TEXT = 1,     /* const char* (conversion: out is const char**) */
    OCS_KIND_BOOLEAN = 4,  /* uint16_t */
    OCS_KIND_UINT32 = 5,   /* uint32_t */
    OCS_KIND_INT32 = 7,    /* int32_t */
    OCS_KIND_UINT8 = 20,   /* uint8_t */
    OCS_KIND_UINT16 = 22,  /* uint16_t */
    OCS_KIND_OBJ_TEXT = 26 /* const char*, text taken from a data-manager object */
};

/* Results of OCSDASNVPValToXVal other than 0. */
enum { OCS_XVAL_MISSING = 0x10D, OCS_XVAL_BAD = 0x10E, OCS_XVAL_BADKIND = 0x10F };

const char* OCSGetAStrParamValueByAStrName(int32_t count, OCSParamList params, const char* name,
                                           int32_t flags);
int32_t OCSDASNVPValToXVal(int32_t count, OCSParamList params, const char* name, int32_t kind,
                           void* out);
uint16_t OCSASCIIToBooln(const char* text);
uint32_t OCSASCIIToUnSigned32(const char* text);

/* XML buffer; the first word is the current text (NUL-terminated). */
typedef struct OCSXBuf {
    char* text;
    uint32_t length;
    uint32_t capacity;
} OCSXBuf;

OCSXBuf* OCSXAllocBuf(uint32_t initialSize, uint32_t flags);
/* Appends <name attrs>value</name>; the value is escaped for XML. 0 done. */
int32_t OCSXBufCatNode(OCSXBuf* buf, const char* name, const char* attributes, int32_t kind,
                       const void* value);
int32_t OCSXBufCatBeginNode(OCSXBuf* buf, const char* name, const char* attributes);
int32_t OCSXBufCatEmptyNode(OCSXBuf* buf, const char* name, const char* attributes);
int32_t OCSXBufCatEndNode(OCSXBuf* buf, const char* name);
int32_t OCSDASCatSMStatusNode(OCSXBuf* buf, int32_t status, const char* message);
/* Releases the buffer and hands over its text (free with OCSXFreeBufContent). */
char* OCSXFreeBufGetContent(OCSXBuf* buf);
void OCSXFreeBuf(OCSXBuf* buf);
void OCSXFreeBufContent(char* text);

/* A module's command table as the help answer reads it. */
typedef char* (*OCSDASCmdHandler)(int32_t count, OCSParamList params);
typedef struct OCSDASCmdRow {
    const char* name;
    OCSDASCmdHandler handler;
} OCSDASCmdRow;
char* OCSDASCMDHelp(int32_t count, OCSParamList params, const OCSDASCmdRow* table, uint32_t rows,
                    OCSDASCmdHandler helpHandler);

/* Command log. */
int32_t OCSDASBufCatSetCmdParam(OCSXBuf* buf, const char* name, const void* oldValue,
                                const void* newValue, const void* value, int32_t kind);
int32_t OCSAppendToCmdLog(uint32_t messageId, const char* userInfo, const char* source,
                          const char* text, int32_t flags);

/* Memory and the context lock. */
void* OCSAllocMem(uint32_t size);
void OCSFreeMem(void* p);
void* OCSAllocContextLock(void);
void OCSLockContext(void* lock);
void OCSUnLockContext(void* lock);
void OCSFreeContextLock(void* lock);

/* Export context: one word; the save area is the caller's. */
typedef uintptr_t OCSExportContext;
int32_t OCSGetExportContext(OCSExportContext* context);
int32_t OCSSetExportContext(OCSExportContext* save, const OCSExportContext* context);
int32_t OCSResetExportContext(const OCSExportContext* save);

/* Library loader; the handle is one 8-byte word. 0 = loaded. */
int32_t OCSLibLoad(void** handle, const char* name);
void* OCSLibLinkToExportFN(void** handle, const char* name);
void OCSLibUnLinkFromExportFN(void** handle, const char* name);
void OCSLibUnLoad(void** handle);

#ifdef __cplusplus
}
#endif

#endif
