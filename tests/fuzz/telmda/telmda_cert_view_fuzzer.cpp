// Fuzzes the certificate view's parser with the card's text: subject and
// issuer must stay terminated inside their buffers.
#include "cert_view.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    char subject[256], issuer[256];
    std::memset(subject, 'x', sizeof subject);
    std::memset(issuer, 'x', sizeof issuer);
    telmda::parseCertificateView(text.c_str(), subject, issuer, sizeof subject);
    if (!std::memchr(subject, 0, sizeof subject) || !std::memchr(issuer, 0, sizeof issuer))
        std::abort();
    return 0;
}
