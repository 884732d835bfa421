#include "qorsim/JournalText.h"

#include <sstream>

namespace qorsim {

std::string journalLine(const JournalEntry& e) {
    std::ostringstream out;
    switch (e.call) {
    case Call::Open:
        out << "open " << e.path << " = " << e.fd;
        break;
    case Call::Close:
        out << "close " << (e.path.empty() ? "node" : e.path) << " fd " << e.fd;
        break;
    case Call::Fcntl:
        out << "fcntl " << e.path << " fd " << e.fd << " cmd " << e.request;
        break;
    case Call::Ioctl:
        out << "ioctl qor" << e.adapter << " fd " << e.fd;
        if (e.fibCommand >= 0)
            out << " fib " << e.fibCommand;
        else
            out << " request 0x" << std::hex << e.request << std::dec;
        if (e.ctCommand >= 0)
            out << " ct " << e.ctCommand;
        if (e.scsiOperation >= 0)
            out << " scsi " << e.scsiOperation;
        if (e.aifRequest >= 0)
            out << " aif " << e.aifRequest;
        break;
    }
    if (e.error)
        out << " error " << e.error;
    return out.str();
}

std::string journalText(const std::vector<JournalEntry>& journal) {
    std::string text;
    for (const auto& e : journal)
        text += journalLine(e) + "\n";
    return text;
}

} // namespace qorsim
