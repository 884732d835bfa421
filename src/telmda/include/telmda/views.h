/* The card object views: one writer per card object, and the presence gates
 * of the read commands (0 with the elements written, 256 and nothing written
 * while the card is absent). */
#ifndef TELMDA_VIEWS_H
#define TELMDA_VIEWS_H

#include <stdint.h>

#include "telmda/telmda.h"

#ifdef __cplusplus
extern "C" {
#endif

void QVRSCGetTYMIdentificationObj(OCSXBuf* buf, uint32_t rootOid);
void QVRSCGetTYMCControlObj(OCSXBuf* buf, uint32_t rootOid);
void QVRSCGetMonitoringObj(OCSXBuf* buf, uint32_t rootOid);
void QVRSCGetoobSnmpAgentObj(OCSXBuf* buf, uint32_t rootOid);
void QVRSCGetCurrentLanNetworkingObj(OCSXBuf* buf, uint32_t rootOid);
void QVRSCGetLanNetworkingObj(OCSXBuf* buf, uint32_t rootOid);
void QVTYMCGetDialInNetworkingInfo(OCSXBuf* buf, uint32_t rootOid);
void QVTYMCGetRemoteHostObj(OCSXBuf* buf, uint32_t rootOid);
void QVRSCGetVesk3Obj(OCSXBuf* buf, uint32_t rootOid);

int32_t RetrieveVesk3Obj(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveControlObj(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveMonitoringObj(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveoobSnmpAgentObj(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveCurrentLanNetworkingObj(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveTYMIdentificationObj(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveSummaryInfo(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveLanNetworkInfo(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveLanNetworkingObj(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveCmdRSCGetDialUpNetworkingObj(OCSXBuf* buf, uint32_t rootOid);
int32_t RetrieveRemoteHostObj(OCSXBuf* buf, uint32_t rootOid);

#ifdef __cplusplus
}
#endif

#endif
