// The project file (.rvp): the operator's working state of the desk, saved and opened from
// the main window's File menu. The file has no header or version; its fields follow in a
// fixed order and are read back in that order.
//
// Loading is all or nothing: the whole file is read into a ProjectRecord and checked before
// the desk applies any of it, so a short, foreign or hostile file changes nothing.
#pragma once

// The window classes come before the DirectShow headers, whose window macros they would clash with.
#include <afxwin.h>

#include <functional>
#include <vector>

#include "app/captions/CharTextStyle.h"
#include "app/core/InputFormatOptions.h"
#include "app/core/SourceDescriptor.h"
#include "app/engine/ChannelVideoSettings.h"

class CAudioMixer;
class CVideoMixer;

// A channel panel's record. A panel without a channel, or a channel without a graph, stores
// only the flags up to that point.
struct PanelRecord {
    bool hasChannel = false;
    int tally = 2;            // 0 on air, 1 preview, 2 idle
    bool hasGraph = false;
    SourceDescriptor audio;
    SourceDescriptor video;
    int graphState = 0;       // 0 stopped, 1 paused, 2 running
    LONGLONG position = 0;    // 100-ns units
    InputFormatOptions graphOptions; // the channel graph's own record
};

struct LogoRecord {
    int enabled = 0;          // the logo switch's latched state
    CString picture;          // full path, may be empty
    int corner = 0;           // 0 top left, 1 top right, 2 bottom right, 3 bottom left
};

struct AudioInputRecord {
    BYTE selected = 0;
    float gain = 1.0f;        // linear
};

struct ProjectRecord {
    enum { kPanels = 5, kLogos = 2, kQuickEffectsShown = 5, kMinInterval = 5, kMaxInterval = 100, kDefaultInterval = 10 };

    int program = 0;          // 1..5, 0 none; anything else is kept but never acted on
    int preview = 0;
    PanelRecord panels[kPanels];
    LogoRecord logos[kLogos];
    std::vector<DWORD> quickEffects; // as stored; the desk shows the first five
    int captionSwitch = 0;    // buttons 1038, 1021, 1020
    int manualPublishing = 0;
    int automaticPublishing = 0;
    int publishingInterval = kDefaultInterval; // tenths of a second, 5..100
    CharTextStyle subtitleStyle = {};
    std::vector<CString> captionPages; // the caption editor's applied pages

    // The engine's records, present when the director had its mixers when the file was
    // written (or is being written).
    bool hasEngineRecords = false;
    int agc = 0;
    int autoSwitch = 0;
    std::vector<AudioInputRecord> audioInputs;
    std::vector<ChannelVideoSettings> channelSettings;
};

// What the director holds now: the engine's records are read only when it has its mixers,
// with these input counts (0 = no mixer).
struct ProjectLayout {
    int audioInputs = 0;
    int videoInputs = 0;
};

class CProjectFile {
public:
    // Files larger than this are no project: refused before reading.
    static const ULONGLONG kMaxFileSize = 16ull * 1024 * 1024;

    // Writes the record in file order.
    static void Store(CArchive& ar, const ProjectRecord& record);
    // Reads a whole record into `record`, which is changed only when the whole file is
    // sound. Throws CArchiveException (a pointer, to be Delete()d) for a short file, a value
    // no desk writes (a flag other than 0 or 1, a tally, play state or logo corner out of
    // range, a negative count), a count or length longer than the file, or bytes left over
    // behind the engine's records.
    static void Load(CArchive& ar, const ProjectLayout& layout, ProjectRecord& record);

    enum Result { kOk, kNotOpened, kFailed };
    // Opens for reading only (a read-only project opens). kNotOpened when the file cannot be
    // opened; kFailed when its contents are refused (the record is then unchanged).
    static Result LoadFromFile(LPCWSTR path, const ProjectLayout& layout, ProjectRecord& record);
    // Writes a temporary file beside `path` and puts it in place of the old one only when it
    // was written whole; on any failure the old file stays as it was and kFailed is returned.
    static Result SaveToFile(LPCWSTR path, const ProjectRecord& record);

    // The interval as loaded: below 5 or above 100 tenths becomes 10 (1.0 s).
    static int NormaliseInterval(int tenths);
    // The interval edit's text (seconds) as stored: limited to 0.5..10.0 s, in tenths. A text
    // that is no number keeps `current`.
    static int IntervalFromText(LPCWSTR seconds, int current);
    // The quick-effect list as the desk shows it: the first five stored, effect 1 when none.
    static std::vector<DWORD> ShownQuickEffects(const ProjectRecord& record);

    // A window's own project piece (a channel panel's Serialize) run into a record and out of
    // one through memory: the piece keeps its one writer and reader, and a file is still
    // checked whole before any panel takes its part. Capture throws as Load does when the
    // piece writes what the loader refuses.
    using PieceSerializer = std::function<void(CArchive& ar)>;
    static void CapturePanel(const PieceSerializer& serialize, PanelRecord& record);
    static void ApplyPanel(const PanelRecord& record, const PieceSerializer& serialize);

    // The engine's records through the mixers' own project pieces.
    static void CaptureEngine(CAudioMixer* audio, CVideoMixer* video, ProjectRecord& record);
    static void ApplyEngine(const ProjectRecord& record, CAudioMixer* audio, CVideoMixer* video);
};
