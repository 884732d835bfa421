/* The SDM library's C interface as the HBA diagnostic calls it: adapters
 * opened by index, three property records filled into caller buffers, two
 * per-port verify calls and the texts of the library's error codes. */
#ifndef QLSDM_H
#define QLSDM_H

#ifdef __cplusplus
extern "C" {
#endif

/* Sizes of the records the caller provides. */
#define SD_NODE_PROPERTY_SIZE 388
#define SD_PORT_PROPERTY_SIZE 160
#define SD_CHIP_PROPERTY_SIZE 80

/* Node record: offsets of its fields (texts are zero-terminated). */
#define SD_NODE_WWN 0                /* 8 bytes */
#define SD_NODE_MODEL 8              /* 80 bytes */
#define SD_NODE_MODEL_DESCRIPTION 88 /* 32 bytes */
#define SD_NODE_SERIAL_NUMBER 120    /* 32 bytes */
#define SD_NODE_DRIVER_VERSION 152   /* 32 bytes */
#define SD_NODE_FIRMWARE_VERSION 184 /* 64 bytes */
#define SD_NODE_NUMBER_OF_PORTS 248  /* 16-bit */

/* Port record. */
#define SD_PORT_NODE_WWN 0 /* 8 bytes */
#define SD_PORT_PORT_WWN 8 /* 8 bytes */
#define SD_PORT_PORT_ID 16 /* 32-bit */
#define SD_PORT_STATE 20   /* 16-bit, 1 online */
#define SD_PORT_NUMBER 22  /* 16-bit */

/* Chip record (16-bit fields). */
#define SD_CHIP_VENDOR_ID 0
#define SD_CHIP_DEVICE_NUMBER 2
#define SD_CHIP_SUBSYSTEM_VENDOR_ID 4
#define SD_CHIP_SUBSYSTEM_ID 6
#define SD_CHIP_BUS_NUMBER 8
#define SD_CHIP_PCI_ID 10
#define SD_CHIP_ADAPTER_TYPE 28

/* Error codes of the library's own (adapters may report others). */
#define SD_SUCCESS 0
#define SDERR_DEVICE_NOT_FOUND 0x20000001
#define SDERR_INVALID_HANDLE 0x20000002
#define SDERR_INVALID_PORT 0x20000003
#define SDERR_INVALID_BUFFER 0x20000004

int SDOpenDevice(int index, int* handle);
int SDCloseDevice(int handle);
int SDVerifyHbaNVRam(int handle, int port);
int SDVerifyHbaState(int handle, int port);
int SDGetHbaDeviceNodeProperty(int handle, void* node);
int SDGetHbaDevicePortProperty(int handle, int port, void* portRecord);
int SDGetHbaDeviceChipProperty(int handle, void* chip);
/* The code's text; the pointer stays valid for the life of the process. */
const char* SDGetErrorString(int code);

#ifdef __cplusplus
}
#endif

#endif
