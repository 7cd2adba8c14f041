// The dialog a channel's sources are chosen in: a video and an audio source, each a capture
// device from the lists, a media file, a URL or network path, or any typed text. On OK it
// holds the pair of descriptors {audio, video} the channel is loaded with; a device it names
// is bound to its filter.
#pragma once

#include <afxwin.h>

#include "app/core/SourceLists.h"
#include "app/settings/SelectSourceDlgIds.h"

class CSelectSourceDlg : public CDialog {
public:
    enum { IDD = IDD_SELECT_SOURCE };
    explicit CSelectSourceDlg(CWnd* pParent = nullptr);
    ~CSelectSourceDlg() override = default;

    // The chosen pair, valid after DoModal returned IDOK.
    const SourceDescriptor& GetAudioSource() const { return m_audio; }
    const SourceDescriptor& GetVideoSource() const { return m_video; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnVideoSelChange();
    void OnAudioSelChange();
    void OnVideoSettings();
    void OnAudioSettings();

    DECLARE_MESSAGE_MAP()

private:
    // Asks for a file; on OK puts it into the list just before the file entry and selects it.
    bool ChooseFile(CComboBox& list, LPCWSTR filter, CString& path);
    void InsertFile(CComboBox& list, const CString& path);
    void EnableSettings(CComboBox& list, UINT buttonId);
    const SourceDevice* SelectedDevice(CComboBox& list) const;

    CComboBox m_videoList;
    CComboBox m_audioList;
    SourceDeviceList m_videoDevices;
    SourceDeviceList m_audioDevices;
    CSourceDeviceBinding m_videoBinding;
    CSourceDeviceBinding m_audioBinding;
    SourceDescriptor m_audio;
    SourceDescriptor m_video;
};
