#include "app/settings/InputConfigDlg.h"

#include "app/foundation/DShowHelpers.h"
#include "app/foundation/LogWriter.h"

namespace {

void LogPages(const char* what, HRESULT hr)
{
    if (FAILED(hr))
        AppLog() << LogTime << " input settings: " << what << " pages failed: 0x" << std::hex << hr << std::dec
                 << std::endl;
}

} // namespace

BEGIN_MESSAGE_MAP(CInputConfigDlg, CDialog)
    ON_BN_CLICKED(IDC_INPUT_VIDEO_FORMAT, OnVideoFormat)
    ON_BN_CLICKED(IDC_INPUT_AUDIO_FORMAT, OnAudioFormat)
    ON_BN_CLICKED(IDC_INPUT_CROSSBAR, OnCrossbar)
    ON_BN_CLICKED(IDC_INPUT_TV_TUNER, OnTvTuner)
    ON_BN_CLICKED(IDC_INPUT_TV_AUDIO, OnTvAudio)
    ON_BN_CLICKED(IDC_INPUT_SOURCE_FILTERS, OnSourceFilters)
    ON_BN_CLICKED(IDC_INPUT_DEINTERLACE_AUTO, OnDeinterlaceAuto)
    ON_BN_CLICKED(IDC_INPUT_DEINTERLACE_FORCED, OnDeinterlaceForced)
    ON_BN_CLICKED(IDC_INPUT_FORMAT_AUTO, OnFormatAuto)
    ON_BN_CLICKED(IDC_INPUT_FORMAT_MANUAL, OnFormatManual)
END_MESSAGE_MAP()

CInputConfigDlg::CInputConfigDlg(ICaptureGraphBuilder2* builder, IBaseFilter* video, IBaseFilter* audio,
                                 const InputFormatOptions& options, CWnd* pParent)
    : CDialog(IDD, pParent), m_builder(builder), m_videoSource(video), m_audioSource(audio), m_options(options)
{
}

void CInputConfigDlg::EnableItem(UINT id, bool enable)
{
    if (CWnd* item = GetDlgItem(id))
        item->EnableWindow(enable ? TRUE : FALSE);
}

bool CInputConfigDlg::IsChecked(UINT id) const
{
    return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED;
}

BOOL CInputConfigDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckRadioButton(IDC_INPUT_DEINTERLACE_AUTO, IDC_INPUT_DEINTERLACE_FORCED,
                     m_options.deinterlace == 0 ? IDC_INPUT_DEINTERLACE_AUTO : IDC_INPUT_DEINTERLACE_FORCED);
    CheckRadioButton(IDC_INPUT_EVEN_FIRST, IDC_INPUT_ODD_FIRST,
                     m_options.fieldOrder == 1 ? IDC_INPUT_EVEN_FIRST : IDC_INPUT_ODD_FIRST);
    const UINT aspect = m_options.aspect == 0   ? IDC_INPUT_ASPECT_4_3
                        : m_options.aspect == 1 ? IDC_INPUT_ASPECT_16_9
                                                : IDC_INPUT_ASPECT_AUTO;
    CheckRadioButton(IDC_INPUT_ASPECT_AUTO, IDC_INPUT_ASPECT_16_9, aspect);
    CheckDlgButton(IDC_INPUT_KEEP_ASPECT, m_options.keepAspect ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(IDC_INPUT_FORMAT_AUTO, IDC_INPUT_FORMAT_MANUAL,
                     m_options.imageFormat == 0 ? IDC_INPUT_FORMAT_AUTO : IDC_INPUT_FORMAT_MANUAL);

    // The field order only means something while deinterlacing is forced.
    EnableItem(IDC_INPUT_EVEN_FIRST, m_options.deinterlace == 1);
    EnableItem(IDC_INPUT_ODD_FIRST, m_options.deinterlace == 1);
    for (UINT id : {IDC_INPUT_VIDEO_FORMAT, IDC_INPUT_CROSSBAR, IDC_INPUT_TV_TUNER, IDC_INPUT_TV_AUDIO,
                    IDC_INPUT_AUDIO_FORMAT})
        EnableItem(id, false);
    FindInterfaces();
    return TRUE;
}

template <class T>
void CInputConfigDlg::FindOnCapturePin(IBaseFilter* filter, std::initializer_list<const GUID*> types, REFIID iid,
                                       CComPtr<T>& found)
{
    found.Release();
    if (!m_builder || !filter)
        return;
    for (const GUID* type : types) {
        if (SUCCEEDED(m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, type, filter, iid,
                                               reinterpret_cast<void**>(&found))) &&
            found)
            return;
        found.Release();
    }
}

void CInputConfigDlg::FindInterfaces()
{
    FindOnCapturePin(m_videoSource, {&MEDIATYPE_Video}, IID_IAMVfwCaptureDialogs, m_captureDialogs);
    FindOnCapturePin(m_videoSource, {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}, IID_IAMStreamConfig, m_videoConfig);
    EnableItem(IDC_INPUT_VIDEO_FORMAT, m_videoConfig && m_options.imageFormat == 1);

    FindOnCapturePin(m_videoSource, {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}, IID_IAMCrossbar, m_crossbar);
    if (m_crossbar && m_builder) {
        // A second crossbar (an audio one on many cards) sits upstream of the first.
        CComQIPtr<IBaseFilter> first(m_crossbar.Get());
        if (first &&
            FAILED(m_builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, first, IID_IAMCrossbar,
                                            reinterpret_cast<void**>(&m_crossbar2))))
            m_crossbar2.Release();
    }
    EnableItem(IDC_INPUT_CROSSBAR, m_crossbar || m_crossbar2);

    FindOnCapturePin(m_videoSource, {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}, IID_IAMTVTuner, m_tuner);
    EnableItem(IDC_INPUT_TV_TUNER, m_tuner != nullptr);

    FindOnCapturePin(m_audioSource, {&MEDIATYPE_Audio}, IID_IAMStreamConfig, m_audioConfig);
    EnableItem(IDC_INPUT_AUDIO_FORMAT, m_audioConfig != nullptr);
    FindOnCapturePin(m_audioSource, {&MEDIATYPE_Audio}, IID_IAMTVAudio, m_tvAudio);
    EnableItem(IDC_INPUT_TV_AUDIO, m_tvAudio != nullptr);
}

void CInputConfigDlg::OnVideoFormat()
{
    if (m_captureDialogs && m_captureDialogs->HasDialog(VfwCaptureDialog_Format) == S_OK) {
        const HRESULT hr = m_captureDialogs->ShowDialog(VfwCaptureDialog_Format, m_hWnd);
        LogPages("capture format dialog", hr);
    }
    if (m_videoConfig)
        LogPages("video format", ShowFilterPropertyPages(m_videoConfig, m_hWnd, L"Video"));
}

void CInputConfigDlg::OnAudioFormat()
{
    if (m_audioConfig)
        LogPages("audio format", ShowFilterPropertyPages(m_audioConfig, m_hWnd, L"Audio"));
}

void CInputConfigDlg::OnCrossbar()
{
    if (m_crossbar)
        LogPages("crossbar", ShowFilterPropertyPages(m_crossbar, m_hWnd, L"Crossbar"));
    if (m_crossbar2)
        LogPages("second crossbar", ShowFilterPropertyPages(m_crossbar2, m_hWnd, L"Crossbar"));
}

void CInputConfigDlg::OnTvTuner()
{
    if (m_tuner)
        LogPages("tuner", ShowFilterPropertyPages(m_tuner, m_hWnd, L"TVTuner"));
}

void CInputConfigDlg::OnTvAudio()
{
    if (m_tvAudio)
        LogPages("TV audio", ShowFilterPropertyPages(m_tvAudio, m_hWnd, L"TV Audio"));
}

void CInputConfigDlg::OnSourceFilters()
{
    if (m_videoSource)
        LogPages("video source", ShowFilterPropertyPages(m_videoSource, m_hWnd, nullptr));
    if (m_audioSource)
        LogPages("audio source", ShowFilterPropertyPages(m_audioSource, m_hWnd, nullptr));
}

void CInputConfigDlg::OnDeinterlaceAuto()
{
    EnableItem(IDC_INPUT_EVEN_FIRST, false);
    EnableItem(IDC_INPUT_ODD_FIRST, false);
}

void CInputConfigDlg::OnDeinterlaceForced()
{
    EnableItem(IDC_INPUT_EVEN_FIRST, true);
    EnableItem(IDC_INPUT_ODD_FIRST, true);
}

void CInputConfigDlg::OnFormatAuto()
{
    EnableItem(IDC_INPUT_VIDEO_FORMAT, false);
}

void CInputConfigDlg::OnFormatManual()
{
    EnableItem(IDC_INPUT_VIDEO_FORMAT, m_videoConfig != nullptr);
}

void CInputConfigDlg::OnOK()
{
    m_options.deinterlace = IsChecked(IDC_INPUT_DEINTERLACE_AUTO) ? 0 : 1;
    m_options.fieldOrder = IsChecked(IDC_INPUT_EVEN_FIRST) ? 1 : 0;
    if (IsChecked(IDC_INPUT_ASPECT_AUTO))
        m_options.aspect = 2;
    else if (IsChecked(IDC_INPUT_ASPECT_4_3))
        m_options.aspect = 0;
    else if (IsChecked(IDC_INPUT_ASPECT_16_9))
        m_options.aspect = 1;
    m_options.imageFormat = IsChecked(IDC_INPUT_FORMAT_AUTO) ? 0 : 1;
    m_options.keepAspect = IsChecked(IDC_INPUT_KEEP_ASPECT) ? 1 : 0;
    EndDialog(IDOK);
}

bool ShowInputConfigDialog(ICaptureGraphBuilder2* builder, IBaseFilter* video, IBaseFilter* audio,
                           InputFormatOptions& options)
{
    CInputConfigDlg dialog(builder, video, audio, options);
    if (dialog.DoModal() != IDOK)
        return false;
    options = dialog.GetOptions();
    return true;
}
