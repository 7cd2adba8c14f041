// The Windows Media profiles the profile page works with: the index of standard stream
// choices (SettingsMap.xml in the standard profile folder), profile files (.prx: the
// runtime's profile XML as UTF-16 text), and the figures a list shows for a stream.
#pragma once

#include <afx.h>

#include "platform/wmf/include/wmfplatform.h"

#include <map>
#include <string>
#include <vector>

// One standard stream choice: the class that names it, the destination it belongs to, its
// kind, its display name and the .prx file in the standard folder that holds it.
struct StreamChoice {
    enum Type { kAudio = 1, kVideo = 2, kScript = 3 };
    GUID id = GUID_NULL;
    int destination = 0;
    int type = kAudio;
    CString name;
    CString file;
};

struct GuidOrder {
    bool operator()(const GUID& a, const GUID& b) const;
};

struct SettingsMap {
    std::vector<StreamChoice> entries;                 // in file order
    std::map<GUID, CString, GuidOrder> names;          // class -> display name
    std::map<int, std::vector<size_t>> byDestination;  // destination -> entry indices, in order
};

// Reads the index from its lines (UTF-8 text, one line each, line ends allowed): an audio or
// video choice line names its class, file and destination; a stream config line sets the
// class the following name line names. Lines too short for what their tag promises, and
// tokens that are no class or number, are left out.
SettingsMap ParseSettingsMap(const std::vector<std::string>& lines);
// The file read line by line (lines longer than 1024 bytes are cut there); an empty map
// when it cannot be opened.
SettingsMap ReadSettingsMap(const CString& path);

// A profile file: the whole file as UTF-16 text (a byte-order mark skipped) given to the
// manager. Fails for an empty path, no manager, an unreadable or oversized file, or text
// the manager refuses.
HRESULT LoadProfileFile(IWMProfileManager* manager, const CString& path, IWMProfile** profile);
// The manager's text of the profile written without its terminating zero; an existing file
// is replaced only when overwrite is set.
HRESULT SaveProfileFile(IWMProfileManager* manager, IWMProfile* profile, const CString& path, bool overwrite);
// The profile's XML text.
HRESULT GetProfileText(IWMProfileManager* manager, IWMProfile* profile, CString& text);

// What the lists show for a stream: its bit rate, and for a video stream with a video
// format its frame rate and picture size.
struct StreamFigures {
    DWORD bitrate = 0;
    bool hasPicture = false;
    double fps = 0.0;   // 0 when the frame time is 0
    LONG width = 0;
    LONG height = 0;
};
StreamFigures ReadStreamFigures(IWMStreamConfig* stream);
bool IsVideoStream(IWMStreamConfig* stream);
bool IsAudioStream(IWMStreamConfig* stream);
// Frames per second from a frame time in 100-ns units; 0 for a frame time of 0 or less.
double FramesPerSecond(LONGLONG frameTime);

// The three columns: "%d Kbps" of the summed bit rates, "%.2f fps", "%d x %d".
struct FigureTexts {
    CString bitrate, fps, size;
};
FigureTexts FormatFigures(DWORD audioBitrate, DWORD videoBitrate, double fps, LONG width, LONG height);
