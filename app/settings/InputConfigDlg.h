// How one channel treats its capture device's picture (deinterlacing, field order, aspect
// ratio, a capture format set by hand), and the way to the device's own property pages: its
// format dialogs, crossbars, TV tuner, TV audio and the source filters. The channel's graph
// opens it with its capture builder, its source filters and its options.
#pragma once

#include <afxwin.h>

#include "app/core/InputFormatOptions.h"
#include "app/settings/InputConfigDialog.h"
#include "app/settings/InputConfigDlgIds.h"

#include <streams.h>

class CInputConfigDlg : public CDialog {
public:
    enum { IDD = IDD_INPUT_CONFIG };
    CInputConfigDlg(ICaptureGraphBuilder2* builder, IBaseFilter* video, IBaseFilter* audio,
                    const InputFormatOptions& options, CWnd* pParent = nullptr);
    ~CInputConfigDlg() override = default;

    // The edited options; changed only by OK.
    const InputFormatOptions& GetOptions() const { return m_options; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnVideoFormat();
    void OnAudioFormat();
    void OnCrossbar();
    void OnTvTuner();
    void OnTvAudio();
    void OnSourceFilters();
    void OnDeinterlaceAuto();
    void OnDeinterlaceForced();
    void OnFormatAuto();
    void OnFormatManual();

    DECLARE_MESSAGE_MAP()

private:
    void FindInterfaces();
    // The interface on the capture pin of the filter, for the first media type that has it.
    template <class T>
    void FindOnCapturePin(IBaseFilter* filter, std::initializer_list<const GUID*> types, REFIID iid, CComPtr<T>& found);
    void EnableItem(UINT id, bool enable);
    bool IsChecked(UINT id) const;

    CComPtr<ICaptureGraphBuilder2> m_builder;
    CComPtr<IBaseFilter> m_videoSource;
    CComPtr<IBaseFilter> m_audioSource;
    CComPtr<IAMVfwCaptureDialogs> m_captureDialogs;
    CComPtr<IAMStreamConfig> m_videoConfig;
    CComPtr<IAMCrossbar> m_crossbar;
    CComPtr<IAMCrossbar> m_crossbar2;
    CComPtr<IAMTVTuner> m_tuner;
    CComPtr<IAMStreamConfig> m_audioConfig;
    CComPtr<IAMTVAudio> m_tvAudio;
    InputFormatOptions m_options;
};
