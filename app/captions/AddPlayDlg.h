// The dialog a playout programme is made or edited in: its name, its video and audio sources
// (capture devices from the lists, or files, which the main window probes for their length
// and whether they seek), its kind, play count, scheduled start, start position and duration.
#pragma once

#include <afxwin.h>

#include "app/captions/AddPlayDlgIds.h"
#include "app/captions/PlayItem.h"
#include "app/core/SourceLists.h"

class CAddPlayDlg : public CDialog {
public:
    enum { IDD = IDD_ADD_PLAY };
    // context: the main window's, kept only; mainWindow answers the probes (none: no probe).
    CAddPlayDlg(void* context, HWND mainWindow, CWnd* pParent = nullptr);
    ~CAddPlayDlg() override = default;

    // Before DoModal, to edit a programme.
    void SetItem(const PlayItem& item);
    // After OK: everything but the reserved value, which stays as it was.
    void GetItem(PlayItem& item) const;

    // The longest start position a play message can carry.
    static constexpr LONG kLongestStartPosition = 65535;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnTypeChange();
    void OnVideoChange();
    void OnAudioChange();
    void OnVideoSettings();
    void OnAudioSettings();

    DECLARE_MESSAGE_MAP()

private:
    // Selects the text in the list, inserting it at the top when it is not there.
    static int FindOrInsert(CComboBox& list, const CString& text, bool select);
    bool IsFileEntrySelected(CComboBox& list) const;
    const SourceDevice* SelectedDevice(CComboBox& list) const;
    // The two descriptors from the lists' texts and selections, each from a clean one; the
    // kinds of the texts (ClassifySourcePath, 3 for none).
    void ReadSources(int& videoKind, int& audioKind);
    void Probe();
    int Refuse(UINT textId, UINT focusId, UINT style = MB_OK | MB_ICONERROR);

    CString m_name;
    CString m_videoText;
    CString m_audioText;
    UINT m_playCount = 1;
    __time64_t m_scheduledStart = 0;
    __time64_t m_startPosition = 0;
    __time64_t m_duration = 0;
    __time64_t m_probedDuration = 0;
    SourceDeviceList m_audioDevices;
    SourceDeviceList m_videoDevices;
    SourceDescriptor m_audio;
    SourceDescriptor m_video;
    DWORD m_type = kPlaySequential;
    void* m_context;
    HWND m_mainWindow;
    int m_seekable = 1;

    CComboBox m_videoList;
    CComboBox m_audioList;
    CComboBox m_typeList;
    CSourceDeviceBinding m_videoBinding;
    CSourceDeviceBinding m_audioBinding;
};
