// The AC3Filter decoder preset the program relies on: imported with regedit from
// codecs\ac3filter.reg when its registry key is missing, and bit 0x100 of its "formats" value
// cleared at every start.
#pragma once

#include <afx.h>

#include <functional>

namespace startup {

// Runs "regedit.exe /s "<file>"" and waits for the import to end, at most timeoutMs; true when
// it ended within the bound.
using RegistryImportProc = std::function<bool(const CString& regFile, DWORD timeoutMs)>;

bool RunRegeditImport(const CString& regFile, DWORD timeoutMs);

struct DecoderPresetResult {
    bool imported = false;       // the key was missing and an import was run
    bool keyOpen = false;        // the key could be opened (at once or after the import)
    bool formatsCleared = false; // "formats" was read and written back without bit 0x100
};

// The step on any key (the program uses HKEY_CURRENT_USER\Software\AC3Filter\preset\Default).
DecoderPresetResult ApplyDecoderPreset(HKEY root, LPCWSTR subKey, const CString& regFile,
                                       const RegistryImportProc& import, DWORD importTimeoutMs);

// The program's own step, for the program folder given.
DecoderPresetResult ApplyDecoderPreset(const CString& programFolder);

// How long start-up waits for the import before it goes on without the preset.
const DWORD kDecoderPresetImportTimeoutMs = 10000;

} // namespace startup
