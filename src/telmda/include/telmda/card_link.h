/* The binding of the card link library, loaded through the host's loader at
 * first use, and the certificate and local-OS authentication routines that
 * run the card's command-line tool. */
#ifndef TELMDA_CARD_LINK_H
#define TELMDA_CARD_LINK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 0 bound (now or before), -1 failed. */
int LoadRACLibIntf(void);
void UnLoadRACLibIntf(void);
/* The installed certificate's text from the card: a 1024-byte block of host
 * memory (free with OCSFreeMem), or null. */
char* ViewSSLCert(const char* type);

/* Run one line through /bin/sh: 1 for a null line, -1 when nothing could be
 * started or waited for, 0 when not waiting, else the wait status. */
int mySystem(const char* commandLine, int wait);
int16_t ExecImage(const char* commandLine);
/* The tool's command lines; 0 done, -1 refused (a line break, or a line too
 * long), else the tool's wait status cut to 16 bits. */
int16_t CfgCSRProperties(const char* property, const char* value);
int16_t GenerateCert(const char* fileName);
int16_t UploadSSLCert(const char* fileName, const char* type);
int16_t SetRacOSAuth(const char* value);

#ifdef __cplusplus
}
#endif

#endif
