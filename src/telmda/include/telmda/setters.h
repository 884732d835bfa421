/* The setter layer: the only way the module changes a card setting. Each
 * setter calls the host's setter for one field and, by its shape, compares
 * with the stored value first and writes a command-log entry. */
#ifndef TELMDA_SETTERS_H
#define TELMDA_SETTERS_H

#include <stdint.h>

#include "telmda/telmda.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SetterContext {
    const void* object;   /* the card object as read; its stored values are compared */
    uint32_t rootOid;     /* the root the object was read under */
    const char* userInfo; /* the request's "qvausrinfo" */
    const char* source;   /* "TELMDA" */
} SetterContext;

/* Entry operations of the keyed setters. */
enum {
    TELMDA_ENTRY_ADD = 16,
    TELMDA_ENTRY_CHANGE_KEY = 17,
    TELMDA_ENTRY_REMOVE = 18,
    TELMDA_ENTRY_UPDATE = 19
};

/* The value a setter takes, by the field's kind; a keyed setter takes the
 * entry operation after it. */
#define TELMDA_VALUE_OBJ_TEXT const char*
#define TELMDA_VALUE_BOOLEAN uint16_t
#define TELMDA_VALUE_UINT8 uint8_t
#define TELMDA_VALUE_UINT32 uint32_t
#define TELMDA_OPERATION_Compared
#define TELMDA_OPERATION_AlwaysLogged
#define TELMDA_OPERATION_Keyed , int32_t
#define TELMDA_OPERATION_TestOrReset
#define TELMDA_OPERATION_Forward

/* One setter per settable card field. */
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, host, setter, shape, ...)               \
    int32_t setter(const SetterContext*, const uint32_t*,                                          \
                   TELMDA_VALUE_##kind TELMDA_OPERATION_##shape);
#include "telmda/card_fields.def"

/* The soft reset: always called, a line logged. */
int32_t XMLSetTYMResetSoft(const SetterContext*, const uint32_t*);

#ifdef __cplusplus
}
#endif

#endif
