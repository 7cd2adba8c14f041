// How a file or network source is opened, decided from the text that names it.
#pragma once

#include <windows.h>

enum class SourceLocationKind
{
    PlainFile,          // the graph's own source filter for the file
    WindowsMediaReader, // a Windows Media file or an announcement (.asx), or a file on a media server
    NetworkSource,      // a publishing point of a media server
};

// "mms://" addresses whose last path segment has a "." name a file (Windows Media reader);
// others name a publishing point (network source). Outside "mms://" only an ".asx" extension,
// exactly in lower case, chooses the Windows Media reader.
SourceLocationKind ClassifySourceLocation(const wchar_t* location);

// The extra splitter that a file of this name needs before intelligent connection, chosen by
// its extension without regard to case; null when none.
const CLSID* SplitterForFile(const wchar_t* name);

extern const CLSID CLSID_Mpeg2SplitterFilter;
extern const CLSID CLSID_RealMediaSplitter;
extern const CLSID CLSID_NetShowSource;
