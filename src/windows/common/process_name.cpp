#include "process_name.h"

namespace kor {

void lowerAsciiInPlace(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

} // namespace kor
