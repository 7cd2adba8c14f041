// The output settings sheets the main window opens from its Output menu. Each sheet holds
// its pages; after the sheet closes, CopyApplied copies what the applied pages hold into
// the main window's records (a page that was never applied changes nothing) and answers
// whether anything was copied. The Run functions do both:
//
//   if (RunAviOutputSheet(this, m_aviSettings)) ...   // the next AVI start uses them
#pragma once

#include <afxdlgs.h>

#include "app/settings/AudioOutputConfig.h"
#include "app/settings/AviConfigPage.h"
#include "app/settings/DecklinkConfigPage.h"
#include "app/settings/DvOutputConfigPage.h"
#include "app/settings/EncodeInfPage.h"
#include "app/settings/EncodeOutputPage.h"
#include "app/settings/ProfileConfigPage.h"
#include "app/settings/VCardConfigPage.h"
#include "app/settings/VDConfigPage.h"

// The Windows Media sheet: destinations, profile, metadata. Each page is copied on its own,
// only when it was applied.
class CWmvOutputSheet : public CPropertySheet {
public:
    // The profile page takes its folders from the program folder; the output size is the
    // configured one, shown for custom profiles whose video size is 0 x 0.
    explicit CWmvOutputSheet(CWnd* parent = nullptr, int outputWidth = 320, int outputHeight = 240);
    BOOL CopyApplied(CEncodeSettings& settings) const;
    CEncodeOutputPage m_outputPage;
    CProfileConfigPage m_profilePage;
    CEncodeInfPage m_infoPage;
};

class CAviOutputSheet : public CPropertySheet {
public:
    explicit CAviOutputSheet(CWnd* parent = nullptr);
    BOOL CopyApplied(AviOutputSettings& settings) const;
    CAviConfigPage m_page;
};

class C1394OutputSheet : public CPropertySheet {
public:
    explicit C1394OutputSheet(CWnd* parent = nullptr);
    // The device and the automatic choice; the record's device filter stays.
    BOOL CopyApplied(DvOutputSettings& settings) const;
    C1394OutputConfig m_page;
};

class CDecklinkOutputSheet : public CPropertySheet {
public:
    explicit CDecklinkOutputSheet(CWnd* parent = nullptr);
    BOOL CopyApplied(DecklinkOutputSettings& settings) const;
    CDecklinkConfigPage m_page;
};

class CVCardOutputSheet : public CPropertySheet {
public:
    explicit CVCardOutputSheet(CWnd* parent = nullptr);
    BOOL CopyApplied(int& monitor) const;   // 1-based
    CVCardConfigPage m_page;
};

class CVDOutputSheet : public CPropertySheet {
public:
    explicit CVDOutputSheet(CWnd* parent = nullptr);
    BOOL CopyApplied(WORD& port) const;
    CVDConfigPage m_page;
};

class CAudioOutputSheet : public CPropertySheet {
public:
    // mainWindow: the window that answers WM_PROGRAM_VOLUME and WM_SET_AUDIO_OUTPUT (the
    // application's main window when null).
    explicit CAudioOutputSheet(CWnd* parent = nullptr, HWND mainWindow = nullptr);
    BOOL CopyApplied(AudioOutputSettings& settings) const;
    CAudioOutputConfig m_page;
};

BOOL RunWmvOutputSheet(CWnd* parent, CEncodeSettings& settings, int outputWidth, int outputHeight);
BOOL RunAviOutputSheet(CWnd* parent, AviOutputSettings& settings);
BOOL Run1394OutputSheet(CWnd* parent, DvOutputSettings& settings);
BOOL RunDecklinkOutputSheet(CWnd* parent, DecklinkOutputSettings& settings);
BOOL RunVCardOutputSheet(CWnd* parent, int& monitor);
BOOL RunVDOutputSheet(CWnd* parent, WORD& port);
BOOL RunAudioOutputSheet(CWnd* parent, AudioOutputSettings& settings, HWND mainWindow = nullptr);

// The output records the main window keeps, filled at start from the pages' loaders without
// showing them: the sound card and the monitor, the Windows Media metadata, destinations and
// profile only from a page whose loader found its values (others keep what the record has);
// the AVI, IEEE-1394, virtual-device and Decklink records always (a missing output.ini gives
// the pages' built-in values, the listen port 8601).
struct OutputRecords {
    AudioOutputSettings audio;
    int monitor = kDefaultVCardMonitor;
    CEncodeSettings encode;
    AviOutputSettings avi;
    DvOutputSettings dv;
    WORD listenPort = kDefaultListenPort;
    DecklinkOutputSettings decklink;
};
void LoadOutputRecords(OutputRecords& records, int outputWidth, int outputHeight);
