#include "cert_view.h"

#include <cstring>

namespace telmda {
namespace {

struct Item {
    const char* words;
    std::string CertificateView::*field;
};

const Item kItems[] = {
    {"certificate type", &CertificateView::type}, {"serial number", &CertificateView::serial},
    {"key size", &CertificateView::keySize},      {"valid to", &CertificateView::validTo},
    {"valid from", &CertificateView::validFrom},
};

// Appends the rest of the line from the first "." after `word`, cut to fit.
void appendNamePart(const std::string& line, const char* word, char* name, std::size_t size) {
    const std::size_t at = line.find(word);
    if (at == std::string::npos)
        return;
    const std::size_t dot = line.find('.', at + std::strlen(word));
    const std::size_t used = std::strlen(name);
    if (dot == std::string::npos || used + 1 >= size)
        return;
    const std::string part = line.substr(dot, size - 1 - used);
    std::memcpy(name + used, part.c_str(), part.size() + 1);
}

} // namespace

CertificateView parseCertificateView(const char* text, char* subject, char* issuer,
                                     std::size_t nameSize) {
    CertificateView view;
    if (nameSize == 0)
        return view;
    subject[0] = issuer[0] = '\0';
    if (!text)
        return view;
    const std::string all(text);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find('\n', start);
        if (end == std::string::npos)
            end = all.size();
        const std::string line = all.substr(start, end - start);
        for (const Item& item : kItems) {
            if (line.find(item.words) == std::string::npos)
                continue;
            const std::size_t eq = line.find('=');
            view.*item.field = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        }
        appendNamePart(line, "subject", subject, nameSize);
        appendNamePart(line, "issuer", issuer, nameSize);
        start = end + 1;
    }
    return view;
}

} // namespace telmda
