// Reads the export names of a PE file (32-bit or 64-bit) from its export directory, without
// loading it: the i686 library cannot be loaded on a machine that runs no 32-bit code.
#ifndef RVX_TESTS_CARDLIB_PEEXPORTS_H
#define RVX_TESTS_CARDLIB_PEEXPORTS_H

#include <cstdint>
#include <string>
#include <vector>

struct PeExports {
    uint16_t machine = 0;  // 0x14C i386, 0x8664 x86-64
    std::vector<std::string> names;
    std::vector<std::string> imports;  // names of the DLLs it imports from
};

// path is a host path ("/work/...") or a Windows one. false when the file is missing or is
// not a PE file with an export directory.
bool ReadPeExports(const std::string& path, PeExports& out);

// A host path ("/work/...") as the Windows path Wine maps it to ("Z:\\work\\..."); others unchanged.
std::string WindowsPath(const std::string& path);

#endif
