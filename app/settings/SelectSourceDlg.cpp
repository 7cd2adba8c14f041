#include "app/settings/SelectSourceDlg.h"

#include <afxdlgs.h>

#include "app/foundation/AppHelpers.h"

namespace {

const UINT kInvalidAudioSource = 128;
const UINT kInvalidVideoSource = 129;
const UINT kErrorCaption = 106;

// The file types' entries are set off from the all-types entry in the dialog's type list.
#define RVX_FILTER_INDENT L"\t\t\t\t\t\t\t   "

const wchar_t kVideoFilter[] =
    L"All Support Files|*.avi;*.mpg;*.mpeg;*.dat;*.wmv;*.asf;*.vob;*.rm;*.rmvb;*.flv;*.bmp;*.jpg;*.jpe;*.jpeg;*.gif;"
    L"*.tga;*.dib;*.jfif|" RVX_FILTER_INDENT L"AVI Files|*.avi|" RVX_FILTER_INDENT
    L"MPEG Files|*.mpg;*.mpeg|" RVX_FILTER_INDENT L"CD Files|*.dat|" RVX_FILTER_INDENT
    L"WMV Files|*.wmv;*.asf|" RVX_FILTER_INDENT L"VOB Files|*.vob|" RVX_FILTER_INDENT
    L"RM Files|*.rm;*.rmvb|" RVX_FILTER_INDENT L"FLV Files|*.flv|" RVX_FILTER_INDENT
    L"Image Files|*.bmp;*.jpg;*.jpe;*.jpeg;*.gif;*.tga;*.dib;*.jfif||";

const wchar_t kAudioFilter[] =
    L"All Audio Files|*.avi;*.mpg;*.mpeg;*.dat;*.wmv;*.asf;*.vob;*.rm;*.rmvb;*.mp3;*.wav;*.wma|" RVX_FILTER_INDENT
    L"AVI Files|*.avi|" RVX_FILTER_INDENT L"MPEG Files|*.mpg;*.mpeg|" RVX_FILTER_INDENT
    L"CD Files|*.dat|" RVX_FILTER_INDENT L"WMV Files|*.wmv;*.asf|" RVX_FILTER_INDENT
    L"VOB Files|*.vob|" RVX_FILTER_INDENT L"RM Files|*.rm;*.rmvb|" RVX_FILTER_INDENT
    L"Audio Files|*.mp3;*.wav;*.wma||";

#undef RVX_FILTER_INDENT

bool IsFileEntrySelected(CComboBox& list)
{
    const int selected = list.GetCurSel();
    if (selected == CB_ERR)
        return false;
    CString text;
    list.GetLBText(selected, text);
    return text == kFileSourceEntry && list.GetItemData(selected) == 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CSelectSourceDlg, CDialog)
    ON_CBN_SELCHANGE(IDC_SELECT_SOURCE_VIDEO, OnVideoSelChange)
    ON_CBN_SELCHANGE(IDC_SELECT_SOURCE_AUDIO, OnAudioSelChange)
    ON_BN_CLICKED(IDC_SELECT_SOURCE_VIDEO_SETTINGS, OnVideoSettings)
    ON_BN_CLICKED(IDC_SELECT_SOURCE_AUDIO_SETTINGS, OnAudioSettings)
END_MESSAGE_MAP()

CSelectSourceDlg::CSelectSourceDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CSelectSourceDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_videoList.SubclassDlgItem(IDC_SELECT_SOURCE_VIDEO, this);
    m_audioList.SubclassDlgItem(IDC_SELECT_SOURCE_AUDIO, this);
    FillDeviceLists(&m_videoList, m_videoDevices, &m_audioList, m_audioDevices);
    GetDlgItem(IDC_SELECT_SOURCE_VIDEO_SETTINGS)->EnableWindow(FALSE);
    GetDlgItem(IDC_SELECT_SOURCE_AUDIO_SETTINGS)->EnableWindow(FALSE);
    m_videoList.LimitText(0);
    m_audioList.LimitText(0);
    return TRUE;
}

const SourceDevice* CSelectSourceDlg::SelectedDevice(CComboBox& list) const
{
    return FindSourceDevice(m_videoDevices, m_audioDevices, GetSelectedDevice(list));
}

void CSelectSourceDlg::InsertFile(CComboBox& list, const CString& path)
{
    // The file entry stays last.
    const int index = list.InsertString(list.GetCount() > 0 ? list.GetCount() - 1 : 0, path);
    list.SetCurSel(index);
}

bool CSelectSourceDlg::ChooseFile(CComboBox& list, LPCWSTR filter, CString& path)
{
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_OVERWRITEPROMPT, filter, this);
    if (dialog.DoModal() != IDOK)
        return false;
    path = dialog.GetPathName();
    InsertFile(list, path);
    return true;
}

void CSelectSourceDlg::EnableSettings(CComboBox& list, UINT buttonId)
{
    GetDlgItem(buttonId)->EnableWindow(GetSelectedDevice(list) != nullptr);
}

void CSelectSourceDlg::OnVideoSelChange()
{
    CString path;
    if (IsFileEntrySelected(m_videoList) && ChooseFile(m_videoList, kVideoFilter, path)) {
        // A movie brings its sound; a still picture has none, so the audio choice stays.
        if (!IsImageFile(path))
            InsertFile(m_audioList, path);
        GetDlgItem(IDC_SELECT_SOURCE_VIDEO_SETTINGS)->EnableWindow(FALSE);
        GetDlgItem(IDC_SELECT_SOURCE_AUDIO_SETTINGS)->EnableWindow(FALSE);
    }
    EnableSettings(m_videoList, IDC_SELECT_SOURCE_VIDEO_SETTINGS);
}

void CSelectSourceDlg::OnAudioSelChange()
{
    CString path;
    if (IsFileEntrySelected(m_audioList) && ChooseFile(m_audioList, kAudioFilter, path)) {
        GetDlgItem(IDC_SELECT_SOURCE_VIDEO_SETTINGS)->EnableWindow(FALSE);
        GetDlgItem(IDC_SELECT_SOURCE_AUDIO_SETTINGS)->EnableWindow(FALSE);
    }
    EnableSettings(m_audioList, IDC_SELECT_SOURCE_AUDIO_SETTINGS);
}

void CSelectSourceDlg::OnVideoSettings()
{
    ShowDevicePropertyPages(GetSelectedDevice(m_videoList), m_hWnd);
}

void CSelectSourceDlg::OnAudioSettings()
{
    ShowDevicePropertyPages(GetSelectedDevice(m_audioList), m_hWnd);
}

void CSelectSourceDlg::OnOK()
{
    CString videoText, audioText;
    m_videoList.GetWindowText(videoText);
    m_audioList.GetWindowText(audioText);

    const SourcePairKinds kinds =
        ReadSourcePair(videoText, SelectedDevice(m_videoList), audioText, SelectedDevice(m_audioList), false,
                       m_videoBinding, m_audioBinding, m_audio, m_video);
    if (kinds.video == 2 && !m_video.filter) {
        AppMessageBox(m_hWnd, kInvalidVideoSource, kErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }
    if (kinds.audio == 2 && !m_audio.filter) {
        AppMessageBox(m_hWnd, kInvalidAudioSource, kErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }
    EndDialog(IDOK);
}
