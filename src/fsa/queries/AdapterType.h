#pragma once

#include "FsaTypes.h"

FSA_ADAPTER_TYPE TranslatePLATtoAT(unsigned int platform, unsigned int oemFlavour);
void TranslateAdapterTypeToText(FSA_ADAPTER_TYPE type, FA_WCHAR* text); // text holds 18 units
