/* Card setters of the management host (libvcstym32.so.4). Each sets one field
 * of the card object named by its OID and returns 0 or a refusal status. */
#ifndef MGMTHOST_HIPSETOBJ_H
#define MGMTHOST_HIPSETOBJ_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The value a setter takes, by the field's kind. */
#define HIP_VALUE_OBJ_TEXT const char*
#define HIP_VALUE_BOOLEAN uint16_t
#define HIP_VALUE_UINT8 uint8_t
#define HIP_VALUE_UINT32 uint32_t

/* One setter per settable field of the card module's field table. */
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, host, ...)                              \
    int32_t HIPSetObjTYMCfg##host(const uint32_t* oid, HIP_VALUE_##kind value);
#include "telmda/card_fields.def"

int32_t HIPSetObjTYMMngTymResetSoft(const uint32_t* oid);

#ifdef __cplusplus
}
#endif

#endif
