#include "NameParse.h"

#include "WideString.h"

#include <string>

namespace {

constexpr std::size_t kMaxName = 829;

enum class State {
    Start,
    AfterFirstSeparator,
    HostExpected,
    Host,
    AdapterExpected,
    Adapter,
    AdapterSeparator,
    DomainExpected,
    Domain,
    DomainSeparator,
    HostAfterDomain,
};

enum class Part { Adapter, Host, Domain };

bool isBlank(FA_WCHAR c) {
    return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n';
}

} // namespace

FSA_STATUS FsaParseAdapterName(const FA_WCHAR* name, FA_WCHAR* adapter, unsigned int adapterMax,
                               FA_WCHAR* host, unsigned int hostMax, FA_WCHAR* domain,
                               unsigned int domainMax) {
    const std::size_t length = FA_wcslen(name);
    if (length > kMaxName)
        return FSA_STS_NAME_TOO_LONG;
    std::u32string upper(name, length);
    FA_wcsupr(upper.data());

    std::u32string parts[3];
    const unsigned int maxima[3] = {adapterMax, hostMax, domainMax};
    auto append = [&](Part p, FA_WCHAR c) {
        auto& s = parts[static_cast<int>(p)];
        if (s.size() + 1 >= maxima[static_cast<int>(p)])
            return false;
        s.push_back(c);
        return true;
    };

    State state = State::Start;
    bool ok = true;
    for (std::size_t i = 0; i < upper.size() && ok; ++i) {
        const FA_WCHAR c = upper[i];
        const bool sep = c == U'\\';
        switch (state) {
        case State::Start:
            if (isBlank(c))
                break;
            if (sep)
                state = State::AfterFirstSeparator;
            else if (i == 0)
                ok = append(Part::Adapter, c), state = State::Adapter;
            break;
        case State::AfterFirstSeparator:
            if (sep)
                state = State::HostExpected;
            else
                ok = append(Part::Adapter, c), state = State::Adapter;
            break;
        case State::HostExpected:
            if (sep)
                state = State::DomainExpected;
            else
                ok = append(Part::Host, c), state = State::Host;
            break;
        case State::Host:
            if (sep)
                state = State::AdapterExpected;
            else
                ok = append(Part::Host, c);
            break;
        case State::AdapterExpected:
            if (sep)
                ok = false;
            else
                ok = append(Part::Adapter, c), state = State::Adapter;
            break;
        case State::Adapter:
            ok = append(Part::Adapter, c);
            if (sep)
                state = State::AdapterSeparator;
            break;
        case State::AdapterSeparator:
            if (sep)
                ok = false;
            else
                ok = append(Part::Adapter, c), state = State::Adapter;
            break;
        case State::DomainExpected:
            if (sep)
                ok = false;
            else
                ok = append(Part::Domain, c), state = State::Domain;
            break;
        case State::Domain:
            if (sep)
                state = State::DomainSeparator;
            else
                ok = append(Part::Domain, c);
            break;
        case State::DomainSeparator:
            if (sep)
                state = State::HostAfterDomain;
            else
                ok = false;
            break;
        case State::HostAfterDomain:
            if (sep)
                ok = false;
            else
                ok = append(Part::Host, c), state = State::Host;
            break;
        }
    }
    if (!ok || (state != State::Adapter && state != State::Host && state != State::Domain))
        return FSA_STS_INVALID_ADAPTER_NAME;
    FA_WCHAR* const outs[3] = {adapter, host, domain};
    for (int p = 0; p < 3; ++p)
        if (outs[p] && maxima[p] > 0)
            FA_wcsbcpy(outs[p], parts[p].c_str(), maxima[p]);
    return FSA_STS_SUCCESS;
}
