// Certificate requests, uploads and views, and the card's local-OS
// authentication setting. Writes run the card's tool; every input is
// checked before the tool runs at all.
#include "answer.h"
#include "card_link.h"
#include "cert_view.h"
#include "handlers.h"
#include "telmda/card_link.h"
#include "telmda/telmda.h"
#include "tool_lines.h"

#include <cstring>
#include <optional>
#include <string>

using namespace telmda;

namespace {

constexpr std::size_t kNameBufferSize = 256;

struct CsrProperty {
    const char* param;
    const char* property;
    bool required;
    const char* failure;
};

const CsrProperty kCsrProperties[] = {
    {"RSCSSLCertCommonName", "cfgRacSecCsrCommonName", true,
     "Failed to Configure SSL Certificate Common Name"},
    {"RSCSSLCertOrganizationName", "cfgRacSecCsrOrganizationName", true,
     "Failed to Configure SSL Certificate Organization Name"},
    {"RSCSSLCertOrganizationUnit", "cfgRacSecCsrOrganizationUnit", true,
     "Failed to Configure SSL Certificate Organization Unit"},
    {"RSCSSLCertCountryCode", "cfgRacSecCsrCountryCode", true,
     "Failed to Configure SSL Certificate Country Code"},
    {"RSCSSLCertLocalityName", "cfgRacSecCsrLocalityName", false,
     "Failed to Configure SSL Certificate Locality Name"},
    {"RSCSSLCertStateName", "cfgRacSecCsrStateName", false,
     "Failed to Configure SSL Certificate State Name"},
    {"RSCSSLCertEmailAddr", "cfgRacSecCsrEmailAddr", false,
     "Failed to Configure SSL Certificate Email Addr"},
};

// Refuses (271) the first given input that holds a line break or would
// overflow its command line; true when all are acceptable.
bool inputsAccepted(std::int32_t count, OCSParamList params,
                    std::initializer_list<std::pair<const char*, bool (*)(const char*)>> checks,
                    Answer& answer) {
    for (const auto& [param, fits] : checks) {
        const char* value = paramText(count, params, param);
        if (value && (!acceptableToolInput(value) || !fits(value))) {
            answer.setStatus(TELMDA_STATUS_MISSING_INPUT, std::string(param) + " input refused");
            return false;
        }
    }
    return true;
}

bool fitsAny(const char*) {
    return true;
}

template <std::size_t I> bool fitsProperty(const char* value) {
    return csrPropertyLine(kCsrProperties[I].property, value).has_value();
}

bool fitsCsrFile(const char* value) {
    return csrGenerateLine(value).has_value();
}

bool fitsLocalOsAuth(const char* value) {
    return localOsAuthLine(value).has_value();
}

bool requireText(std::int32_t count, OCSParamList params, const char* name, const char** value,
                 Answer& answer) {
    return requireInput(count, params, name, OCS_KIND_TEXT, value, answer);
}

std::string errorMessage(int result) {
    return "Error : " + std::to_string(result) + "\n";
}

} // namespace

extern "C" {

char* CmdRSCSSLCertGenerate(std::int32_t count, OCSParamList params) {
    return runHandler(count, params, nullptr, [&](Answer& answer) {
        if (!inputsAccepted(count, params,
                            {{kCsrProperties[0].param, fitsProperty<0>},
                             {kCsrProperties[1].param, fitsProperty<1>},
                             {kCsrProperties[2].param, fitsProperty<2>},
                             {kCsrProperties[3].param, fitsProperty<3>},
                             {kCsrProperties[4].param, fitsProperty<4>},
                             {kCsrProperties[5].param, fitsProperty<5>},
                             {kCsrProperties[6].param, fitsProperty<6>},
                             {"RSCSSLCertFilename", fitsCsrFile}},
                            answer))
            return;
        for (const CsrProperty& p : kCsrProperties) {
            const char* value = "";
            if (p.required ? !requireText(count, params, p.param, &value, answer)
                           : (value = paramText(count, params, p.param), false))
                return;
            if (CfgCSRProperties(p.property, value ? value : "") != 0)
                return answer.setStatus(TELMDA_STATUS_MISSING_INPUT, p.failure);
        }
        const char* fileName = nullptr;
        if (!requireText(count, params, "RSCSSLCertFilename", &fileName, answer))
            return;
        if (GenerateCert(fileName) != 0)
            return answer.setStatus(-1, "Failed to Generate SSL Certificate");
        answer.setStatus(0);
    });
}

char* CmdRSCSSLCertUpload(std::int32_t count, OCSParamList params) {
    return runHandler(count, params, nullptr, [&](Answer& answer) {
        const char* fileName = nullptr;
        const char* type = nullptr;
        if (!requireText(count, params, "RSCSSLCertFilename", &fileName, answer) ||
            !requireText(count, params, "RSCSSLCertType", &type, answer))
            return;
        if (!certUploadLine(fileName, type))
            return answer.setStatus(TELMDA_STATUS_MISSING_INPUT,
                                    "RSCSSLCertFilename or RSCSSLCertType input refused");
        const int result = UploadSSLCert(fileName, type);
        if (result != 0)
            return answer.setStatus(TELMDA_STATUS_MISSING_INPUT, errorMessage(result));
        answer.setStatus(0);
    });
}

char* CmdSetRSCRacLocalOSAuth(std::int32_t count, OCSParamList params) {
    return runHandler(count, params, nullptr, [&](Answer& answer) {
        const char* value = nullptr;
        if (!requireText(count, params, "RACAuthLocalOSEnable", &value, answer) ||
            !inputsAccepted(count, params, {{"RACAuthLocalOSEnable", fitsLocalOsAuth}}, answer))
            return;
        const int result = SetRacOSAuth(value);
        if (result != 0)
            return answer.setStatus(-1, errorMessage(result));
        answer.setStatus(0);
    });
}

char* CmdRSCSSLCertView(std::int32_t count, OCSParamList params) {
    return runHandler(count, params, nullptr, [&](Answer& answer) {
        const char* type = nullptr;
        if (!requireText(count, params, "RSCSSLCertType", &type, answer))
            return;
        if (inputsAccepted(count, params, {{"RSCSSLCertType", fitsAny}}, answer)) {
            const HostMem text(ViewSSLCert(type));
            const HostMem subject(text ? OCSAllocMem(kNameBufferSize) : nullptr);
            const HostMem issuer(subject ? OCSAllocMem(kNameBufferSize) : nullptr);
            if (!text) {
                answer.setStatus(TELMDA_STATUS_CERT_VIEW_FAILED, "TYMC View Certificate Failed.\n");
            } else if (!issuer) {
                answer.setStatus(TELMDA_STATUS_CERT_VIEW_NO_MEMORY,
                                 "View Certificate Failed.Cannot allocate buffer\n");
            } else {
                auto* subjectText = static_cast<char*>(subject.get());
                auto* issuerText = static_cast<char*>(issuer.get());
                const CertificateView view = parseCertificateView(
                    static_cast<const char*>(text.get()), subjectText, issuerText, kNameBufferSize);
                OCSXBuf* buf = answer.buf();
                OCSXBufCatBeginNode(buf, "certEntry", nullptr);
                for (const auto& [name, value] :
                     {std::pair<const char*, const char*>{"type", view.type.c_str()},
                      {"serial", view.serial.c_str()},
                      {"keySize", view.keySize.c_str()},
                      {"validFrom", view.validFrom.c_str()},
                      {"validTo", view.validTo.c_str()},
                      {"subject", subjectText},
                      {"issuer", issuerText}})
                    OCSXBufCatNode(buf, name, nullptr, OCS_KIND_OBJ_TEXT, value);
                OCSXBufCatEndNode(buf, "certEntry");
                answer.setStatus(0);
            }
        }
        UnLoadRACLibIntf(); // the next user binds afresh
    });
}

} // extern "C"
