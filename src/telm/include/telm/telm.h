/* Exported interface of libtelm: the card link library. */
#ifndef TELM_TELM_H
#define TELM_TELM_H

#include <netinet/in.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Debug gate and trace buffer. Bit 0 of debugState: print; bit 1: level loaded. */
extern int debugState;
extern char b2aBuf[255];

/* Flags word of v3Send / v3Recv. */
enum {
    V3_NOWAIT = 0x1,
    V3_WAITFOREVER = 0x2,
    V3_STRING = 0x1000,
    V3_EXACT = 0x10000,
};

/* Filled by v3Listen when given. */
typedef struct v3Client {
    int socket;              /* out: accepted connection */
    int sendBufSize;         /* in: applied when above 0 */
    int recvBufSize;         /* in: applied when above 0 */
    struct sockaddr_in peer; /* out */
} v3Client;

int v3Connect(const char* address, const char* port, int maxWait);
int v3Listen(const char* address, int port, int backlog, v3Client* client);
int v3Disconnect(int socket, int flags);
int v3Send(int socket, int flags, int keepBlocking, const unsigned char* data, int length);
int v3Recv(int socket, int flags, int wait, unsigned char* buffer, unsigned length);
void v3cops_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int b2a(const unsigned char* data, int length, char* out, int outLength);

/* Object and command interface. */
int devuzObjName(int type, const char* command, char* out, int outLength, int* status);
int devuzObjIdSet(int type, int group, int object, int index, const char* value, int* status);
int devuzObjIdGet(int type, int group, int object, int index, char* out, int outLength,
                  int* status);
int dzBypObjectName(int type, const char* command, char* out, int outLength, int* status);
int dzBypObjectIdSet(int type, int group, int object, int index, const char* value, int* status);
int dzBypObjectIdGet(int type, int group, int object, int index, char* out, int outLength,
                     int* status);
int spIfChoice(int* choice);
int spOpen(const char* address, const char* port, int maxWait);
int spClose(int socket, int flags);
int spSend_cmd(int socket, int headerByte, const char* text);
int spSend_oid(int socket, int headerByte, int group, int index, int object, const char* value);
int spRecv(int socket, int wait, char* byteOut, int* status, char* data, unsigned dataLength);

/* Session login. The client fills the table; entry s - 1 serves session s. */
typedef struct spSsnEntry {
    unsigned char reserved[16];
    char address[20];
    char user[20];
    char password[256];
} spSsnEntry;
extern spSsnEntry* spSsnTable[8];

typedef struct MD5Context {
    uint32_t count[2]; /* bit count, low word first */
    uint32_t state[4];
    unsigned char buffer[64];
    unsigned char digest[16];
} MD5Context;
void MD5Init(MD5Context* context);
void MD5Update(MD5Context* context, const unsigned char* data, unsigned length);
void MD5Final(MD5Context* context);

/* File transfer: 0 done, -1 preparation failed, 1 a later failure. */
int tymPutFile(int type, const char* localPath, const char* remoteName);
int tymGetFile(int type, const char* localPath, const char* remoteName);

/* Host facts and card status. */
int tymGetOsTime(int* seconds, int* offset);
int tymGetOsHostname(char* buffer);
int tymGetOsName(char* buffer);
int tymGetOsType(int* type);
int tymSetTimeOnTym(int typeWord, unsigned seconds, int offset);
int tymSetHostnameOnTym(int typeWord, const char* name);
int tymSetOsNameOnTym(int typeWord, const char* name);
int tymSetOsTypeOnTym(int typeWord, int osType);
int tymGetRacMnStatus(void);
int tymcFwUpdate(void);
int tymSyncVarnVncPassword(void);

/* Binding table for clients; the library never sets or reads it. */
extern int (*pl_tymGetFile)(int, const char*, const char*);
extern int (*pl_tymGetInBandTymIpAddress)(void);
extern int (*pl_tymGetOsHostname)(char*);
extern int (*pl_tymGetOsName)(char*);
extern int (*pl_tymGetOsTime)(int*, int*);
extern int (*pl_tymGetOsType)(int*);
extern int (*pl_tymGetRacMnStatus)(void);
extern int (*pl_tymPutFile)(int, const char*, const char*);
extern int (*pl_tymSetHostnameOnTym)(int, const char*);
extern int (*pl_tymSetOsNameOnTym)(int, const char*);
extern int (*pl_tymSetOsTypeOnTym)(int, int);
extern int (*pl_tymSetTimeOnTym)(int, unsigned, int);
extern int (*pl_tymSyncVarnVncPassword)(void);
extern int (*pl_tymcFwUpdate)(void);

#ifdef __cplusplus
}
#endif

#endif
