#include "AdapterType.h"

#include "WideString.h"

FSA_ADAPTER_TYPE TranslatePLATtoAT(unsigned int platform, unsigned int oem) {
    switch (platform) {
    case 1:
        return 1;
    case 5:
    case 6:
        return 4;
    case 7:
        return 3;
    case 8:
        return 6;
    case 9:
        return 5;
    case 10:
        return 7;
    case 12:
        return 8;
    case 13:
        return oem == 2 ? 9 : 0;
    case 14:
        return oem == 2 ? 14 : 0;
    case 15:
        return oem == 1 ? 15 : 0;
    case 16:
        return oem == 1 ? 16 : 0;
    case 17:
        return oem == 1 ? 17 : 0;
    case 18:
        return oem == 2 ? 13 : 0;
    case 19:
        return oem == 2 ? 10 : (oem == 3 ? 11 : 12);
    case 20:
        return oem == 1 ? 18 : 0;
    default:
        return 0;
    }
}

void TranslateAdapterTypeToText(FSA_ADAPTER_TYPE type, FA_WCHAR* text) {
    static const char* const models[] = {"QR-2100",  "QR-2100S", "QR-3200",  "QR-3200S", "QR-4000",
                                         "QR-4000S", "QR-4400",  "QR-4400S", "QR-5200",  "QR-5200S",
                                         "QR-5400",  "QR-5400S", "QR-6000",  "QR-6000S"};
    const char* name = "Unknown";
    if (type == 0)
        name = "No Info";
    else if (type == 1)
        name = "SW Simulator";
    else if (type == 2)
        name = "Hardware";
    else if (type >= 5 && type <= 18)
        name = models[type - 5];
    FA_widen(text, name, 18);
}
