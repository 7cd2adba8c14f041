#include "PeExports.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

uint32_t U32(const std::vector<char>& f, size_t at)
{
    if (at + 4 > f.size())
        return 0;
    return uint32_t(uint8_t(f[at])) | uint32_t(uint8_t(f[at + 1])) << 8 | uint32_t(uint8_t(f[at + 2])) << 16 |
           uint32_t(uint8_t(f[at + 3])) << 24;
}

uint16_t U16(const std::vector<char>& f, size_t at)
{
    if (at + 2 > f.size())
        return 0;
    return uint16_t(uint8_t(f[at]) | uint8_t(f[at + 1]) << 8);
}

}  // namespace

std::string WindowsPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string p = "Z:" + path;
    for (char& c : p) {
        if (c == '/')
            c = '\\';
    }
    return p;
}

bool ReadPeExports(const std::string& path, PeExports& out)
{
    std::ifstream in(WindowsPath(path), std::ios::binary);
    if (!in)
        return false;
    std::vector<char> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (f.size() < 0x40 || f[0] != 'M' || f[1] != 'Z')
        return false;
    size_t pe = U32(f, 0x3C);
    if (U32(f, pe) != 0x00004550)
        return false;
    size_t coff = pe + 4;
    out.machine = U16(f, coff);
    unsigned sections = U16(f, coff + 2);
    size_t optional = coff + 20;
    size_t optionalSize = U16(f, coff + 16);
    uint16_t magic = U16(f, optional);
    size_t directories = optional + (magic == 0x20B ? 112 : 96);
    uint32_t exportRva = U32(f, directories);
    if (!exportRva)
        return false;
    size_t table = optional + optionalSize;
    auto fileOffset = [&](uint32_t rva) -> size_t {
        for (unsigned s = 0; s < sections; ++s) {
            size_t h = table + 40 * s;
            uint32_t va = U32(f, h + 12), size = U32(f, h + 16), raw = U32(f, h + 20);
            uint32_t vsize = U32(f, h + 8);
            uint32_t span = vsize > size ? vsize : size;
            if (rva >= va && rva < va + span)
                return raw + (rva - va);
        }
        return 0;
    };
    size_t dir = fileOffset(exportRva);
    if (!dir)
        return false;
    uint32_t count = U32(f, dir + 24);
    size_t names = fileOffset(U32(f, dir + 32));
    out.imports.clear();
    if (size_t imports = fileOffset(U32(f, directories + 8))) {
        for (size_t d = imports; U32(f, d + 12) != 0; d += 20) {
            size_t at = fileOffset(U32(f, d + 12));
            if (!at || at >= f.size())
                return false;
            out.imports.emplace_back(&f[at], strnlen(&f[at], f.size() - at));
        }
    }
    out.names.clear();
    for (uint32_t i = 0; i < count; ++i) {
        size_t at = fileOffset(U32(f, names + 4 * i));
        if (!at || at >= f.size())
            return false;
        out.names.emplace_back(&f[at], strnlen(&f[at], f.size() - at));
    }
    return true;
}
