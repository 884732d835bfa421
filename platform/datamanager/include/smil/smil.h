/* Data manager client interface: typed objects read by object id (OID).
 *
 * Every object starts with a 16-byte header (little-endian): u32 size of the
 * whole object, u32 OID, u16 object type, u8 status, 5 reserved bytes; the
 * type's data follows from byte 16. OID lists are a u32 count followed by that
 * many u32 OIDs. Objects and lists are released with SMILFreeGeneric. */
#ifndef SMIL_SMIL_H
#define SMIL_SMIL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Non-zero in the low 16 bits when the data manager answers. */
uint32_t SMILIsDataManagerReady(void);

void* SMILGetObjByOID(const uint32_t* oid);
/* The instance-th child (from 0) of the given type under the parent. */
void* SMILGetObjByType(const uint32_t* parentOid, uint16_t type, uint32_t instance);

uint32_t* SMILListChildOIDByType(const uint32_t* oid, uint16_t type);
uint32_t* SMILListParentOID(const uint32_t* oid);
uint32_t* SMILListParentOIDByType(const uint32_t* oid, uint16_t type);

/* The UTF-8 text whose in-object offset is stored as a u32 at `offset`; the
 * text lies inside the object. NULL when the offset or the text is broken. */
char* SMILDOGetByOffsetUTF8Str(const void* object, uint32_t offset);

void SMILFreeGeneric(void* p);

#ifdef __cplusplus
}
#endif

#endif
