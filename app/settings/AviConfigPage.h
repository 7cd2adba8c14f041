// The AVI recording page: the folder, file splitting and its size, the video compressor with
// its quality and the audio compressor. Kept in config\output.ini, section [Avi].
#pragma once

#include <afxdlgs.h>

#include "app/core/OutputSettings.h"
#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputPagesIds.h"

#include <vector>

class CAviConfigPage : public CPropertyPage {
public:
    enum { IDD = IDD_AVI_CONFIG_PAGE };

    CAviConfigPage();

    // 0 when output.ini is missing (the built-in values stay), else 1 with every key read.
    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    AviOutputSettings m_settings;

    // One entry of the video compressor list: its text and the listed compressor behind it
    // (-1 for "None").
    struct CodecChoice {
        CString text;
        int device;
    };
    // "None", then the compressors the recording can use, in enumeration order; the DV
    // encoder gives its NTSC and its PAL entry.
    static std::vector<CodecChoice> VideoCodecChoices(const std::vector<ListedDevice>& compressors);

    // Set once OK or Apply took the page; the main window copies only applied pages.
    BOOL m_bApplied = FALSE;

protected:
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
    void OnBrowse();
    void OnVideoCodecChanged();
    void OnAudioCodecChanged();
    void OnVideoCodecSetup();
    void OnAudioCodecSetup();
    void OnChanged();

    DECLARE_MESSAGE_MAP()

private:
    void ShowQuality(int quality);
    const ListedDevice* SelectedDevice(UINT listId, const std::vector<ListedDevice>& devices);

    std::vector<ListedDevice> m_videoCompressors;
    std::vector<ListedDevice> m_audioCompressors;
};
