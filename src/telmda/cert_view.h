// The certificate text the card answers, taken apart into the items of the
// certificate view.
#pragma once

#include <cstddef>
#include <string>

namespace telmda {

struct CertificateView {
    std::string type, serial, keySize, validFrom, validTo;
};

// Fills the items; subject and issuer are gathered into the caller's
// buffers of `nameSize` bytes (cut to fit, always terminated).
CertificateView parseCertificateView(const char* text, char* subject, char* issuer,
                                     std::size_t nameSize);

} // namespace telmda
