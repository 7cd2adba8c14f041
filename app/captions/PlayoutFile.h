// The playout list file (.rxb): an MFC archive without a header holding the playout dialog's
// reserved value, the programme list and the caption list; and the playout log as a text file
// in the ANSI code page.
#pragma once

#include "app/captions/PlayQue.h"

#include <vector>

struct PlayoutList {
    LONG reserved = 0;
    CPlayQue queue;
    std::vector<CaptionItem> captions;

    // Loading reads into temporaries and takes them over only when the whole file was read,
    // so a refused file (CArchiveException) leaves the lists as they were.
    void Serialize(CArchive& ar);
    void Swap(PlayoutList& other);
};

// Writes the lists to the file through a temporary beside it, so a failed write keeps the old
// file; false when the file could not be written.
bool SavePlayoutFile(LPCWSTR path, PlayoutList& list);

// Reads the file into the lists; false, with the lists unchanged, when it cannot be opened or
// is not a playout list.
bool LoadPlayoutFile(LPCWSTR path, PlayoutList& list);

// Every row followed by "\r\n", converted to the ANSI code page, without a byte-order mark or
// terminator; the file is replaced. False when it could not be written.
bool ExportLogFile(LPCWSTR path, const std::vector<CString>& rows);
