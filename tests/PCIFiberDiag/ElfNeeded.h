// The DT_NEEDED entries of a 64-bit ELF file: the libraries the dynamic
// loader must find before the program can start.
#pragma once

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace korfiber_test {

inline std::vector<std::string> neededLibraries(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> needed;
    Elf64_Ehdr header;
    if (image.size() < sizeof header)
        return needed;
    std::memcpy(&header, image.data(), sizeof header);
    auto section = [&](std::size_t index, Elf64_Shdr& out) {
        const std::size_t at = header.e_shoff + index * sizeof(Elf64_Shdr);
        if (at + sizeof out > image.size())
            return false;
        std::memcpy(&out, image.data() + at, sizeof out);
        return true;
    };
    for (std::size_t k = 0; k < header.e_shnum; ++k) {
        Elf64_Shdr dynamic, strings;
        if (!section(k, dynamic) || dynamic.sh_type != SHT_DYNAMIC ||
            !section(dynamic.sh_link, strings))
            continue;
        for (std::size_t at = dynamic.sh_offset;
             at + sizeof(Elf64_Dyn) <= dynamic.sh_offset + dynamic.sh_size &&
             at + sizeof(Elf64_Dyn) <= image.size();
             at += sizeof(Elf64_Dyn)) {
            Elf64_Dyn entry;
            std::memcpy(&entry, image.data() + at, sizeof entry);
            const std::size_t name = strings.sh_offset + entry.d_un.d_val;
            if (entry.d_tag == DT_NEEDED && name < image.size())
                needed.emplace_back(image.c_str() + name);
        }
    }
    return needed;
}

} // namespace korfiber_test
