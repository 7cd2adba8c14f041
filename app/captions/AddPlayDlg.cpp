#include "app/captions/AddPlayDlg.h"

#include <afxdlgs.h>
#include <atltime.h>

#include "app/captions/PlayoutTimeFields.h"
#include "app/core/DeskMessages.h"
#include "app/foundation/AppHelpers.h"

namespace {

const UINT kErrorCaption = 106;
const UINT kInvalidAudioSource = 128;
const UINT kInvalidVideoSource = 129;
const UINT kTypeTexts = 270;
const UINT kNoName = 280;
const UINT kAudioFilter = 282;
const UINT kSupportedFilter = 283;
const UINT kNoPlays = 300;
const UINT kTooManyPlays = 301;
const UINT kCannotSeek = 302;
const UINT kStartTooLate = 303;

const int kLongestName = 30;
const UINT kMostPlays = 65535;

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

} // namespace

BEGIN_MESSAGE_MAP(CAddPlayDlg, CDialog)
    ON_CBN_SELCHANGE(IDC_ADD_PLAY_TYPE, OnTypeChange)
    ON_CBN_SELCHANGE(IDC_ADD_PLAY_VIDEO, OnVideoChange)
    ON_CBN_SELCHANGE(IDC_ADD_PLAY_AUDIO, OnAudioChange)
    ON_BN_CLICKED(IDC_ADD_PLAY_VIDEO_SETTINGS, OnVideoSettings)
    ON_BN_CLICKED(IDC_ADD_PLAY_AUDIO_SETTINGS, OnAudioSettings)
END_MESSAGE_MAP()

CAddPlayDlg::CAddPlayDlg(void* context, HWND mainWindow, CWnd* pParent)
    : CDialog(IDD, pParent), m_context(context), m_mainWindow(mainWindow)
{
}

void CAddPlayDlg::SetItem(const PlayItem& item)
{
    m_name = FromAnsi(item.name);
    m_videoText = item.video.name;
    m_audioText = item.audio.name;
    m_video = item.video;
    m_audio = item.audio;
    m_type = item.type;
    m_playCount = static_cast<UINT>(item.playCount);
    m_scheduledStart = item.scheduledStart;
    m_startPosition = item.startPosition;
    m_duration = item.duration;
}

void CAddPlayDlg::GetItem(PlayItem& item) const
{
    item.video = m_video;
    item.audio = m_audio;
    item.name = ToAnsi(m_name);
    item.playCount = static_cast<LONG>(m_playCount);
    item.type = m_type;
    item.startPosition = static_cast<LONG>(m_startPosition);
    item.scheduledStart = static_cast<DWORD>(m_scheduledStart);
    item.duration = static_cast<LONG>(m_duration);
}

void CAddPlayDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_ADD_PLAY_NAME, m_name);
    DDV_MaxChars(pDX, m_name, kLongestName);
    DDX_Text(pDX, IDC_ADD_PLAY_COUNT, m_playCount);
    DDV_MinMaxUInt(pDX, m_playCount, 0, 1000000);
}

BOOL CAddPlayDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_videoList.SubclassDlgItem(IDC_ADD_PLAY_VIDEO, this);
    m_audioList.SubclassDlgItem(IDC_ADD_PLAY_AUDIO, this);
    m_typeList.SubclassDlgItem(IDC_ADD_PLAY_TYPE, this);
    ::SendDlgItemMessageW(m_hWnd, IDC_ADD_PLAY_NAME, EM_LIMITTEXT, kLongestName, 0);

    for (DWORD type = kPlaySequential; type <= kPlayInsert; ++type) {
        const int index = m_typeList.AddString(LoadText(kTypeTexts + type));
        m_typeList.SetItemData(index, type);
    }
    m_videoList.LimitText(0);
    m_audioList.LimitText(0);
    FillDeviceLists(&m_videoList, m_videoDevices, &m_audioList, m_audioDevices);

    InitMomentField(GetDlgItem(IDC_ADD_PLAY_START)->m_hWnd);
    InitSpanField(GetDlgItem(IDC_ADD_PLAY_POSITION)->m_hWnd, kLongestStartPosition);
    InitSpanField(GetDlgItem(IDC_ADD_PLAY_DURATION)->m_hWnd);
    SetMomentField(GetDlgItem(IDC_ADD_PLAY_START)->m_hWnd,
                   m_scheduledStart ? m_scheduledStart : CTime::GetCurrentTime().GetTime());
    SetSpanField(GetDlgItem(IDC_ADD_PLAY_POSITION)->m_hWnd, static_cast<LONG>(m_startPosition));
    SetSpanField(GetDlgItem(IDC_ADD_PLAY_DURATION)->m_hWnd, static_cast<LONG>(m_duration));

    int typeIndex = 0;
    for (int i = 0; i < m_typeList.GetCount(); ++i) {
        if (m_typeList.GetItemData(i) == m_type)
            typeIndex = i;
    }
    m_typeList.SetCurSel(typeIndex);
    SendMessage(WM_COMMAND, MAKEWPARAM(IDC_ADD_PLAY_TYPE, CBN_SELCHANGE),
                reinterpret_cast<LPARAM>(m_typeList.m_hWnd));

    if (!m_videoText.IsEmpty()) {
        FindOrInsert(m_videoList, m_videoText, true);
        FindOrInsert(m_audioList, m_videoText, false);
    }
    if (!m_audioText.IsEmpty())
        FindOrInsert(m_audioList, m_audioText, true);
    GetDlgItem(IDC_ADD_PLAY_VIDEO_SETTINGS)->EnableWindow(GetSelectedDevice(m_videoList) != nullptr);
    GetDlgItem(IDC_ADD_PLAY_AUDIO_SETTINGS)->EnableWindow(GetSelectedDevice(m_audioList) != nullptr);
    return TRUE;
}

int CAddPlayDlg::FindOrInsert(CComboBox& list, const CString& text, bool select)
{
    int index = list.FindStringExact(-1, text);
    if (index == CB_ERR)
        index = list.InsertString(0, text);
    if (select)
        list.SetCurSel(index);
    return index;
}

bool CAddPlayDlg::IsFileEntrySelected(CComboBox& list) const
{
    const int selected = list.GetCurSel();
    return selected != CB_ERR && selected == list.GetCount() - 1 && list.GetItemData(selected) == 0;
}

const SourceDevice* CAddPlayDlg::SelectedDevice(CComboBox& list) const
{
    return FindSourceDevice(m_videoDevices, m_audioDevices, GetSelectedDevice(list));
}

void CAddPlayDlg::OnTypeChange()
{
    const int selected = m_typeList.GetCurSel();
    const DWORD type = selected == CB_ERR ? kPlaySequential : static_cast<DWORD>(m_typeList.GetItemData(selected));
    GetDlgItem(IDC_ADD_PLAY_COUNT)->EnableWindow(TRUE);
    GetDlgItem(IDC_ADD_PLAY_START)->EnableWindow(type == kPlayTimed || type == kPlayInsert);
}

void CAddPlayDlg::OnVideoChange()
{
    if (IsFileEntrySelected(m_videoList)) {
        CFileDialog dialog(TRUE, nullptr, nullptr, OFN_EXPLORER | OFN_HIDEREADONLY, LoadText(kSupportedFilter), this);
        if (dialog.DoModal() == IDOK) {
            const CString path = dialog.GetPathName();
            FindOrInsert(m_videoList, path, true);
            // A movie brings its sound; a still picture leaves the sound unchosen.
            const int audio = m_audioList.FindStringExact(-1, path);
            if (audio != CB_ERR)
                m_audioList.SetCurSel(audio);
            else if (IsImageFile(path))
                m_audioList.SetCurSel(-1);
            else
                FindOrInsert(m_audioList, path, true);
            GetDlgItem(IDC_ADD_PLAY_AUDIO_SETTINGS)->EnableWindow(GetSelectedDevice(m_audioList) != nullptr);
            Probe();
        }
    }
    GetDlgItem(IDC_ADD_PLAY_VIDEO_SETTINGS)->EnableWindow(GetSelectedDevice(m_videoList) != nullptr);
}

void CAddPlayDlg::OnAudioChange()
{
    if (IsFileEntrySelected(m_audioList)) {
        CFileDialog dialog(TRUE, nullptr, nullptr, OFN_EXPLORER | OFN_HIDEREADONLY, LoadText(kAudioFilter), this);
        if (dialog.DoModal() == IDOK)
            FindOrInsert(m_audioList, dialog.GetPathName(), true);
    }
    GetDlgItem(IDC_ADD_PLAY_AUDIO_SETTINGS)->EnableWindow(GetSelectedDevice(m_audioList) != nullptr);
}

void CAddPlayDlg::OnVideoSettings()
{
    ShowDevicePropertyPages(GetSelectedDevice(m_videoList), nullptr);
}

void CAddPlayDlg::OnAudioSettings()
{
    ShowDevicePropertyPages(GetSelectedDevice(m_audioList), nullptr);
}

void CAddPlayDlg::ReadSources(int& videoKind, int& audioKind)
{
    m_videoList.GetWindowText(m_videoText);
    m_audioList.GetWindowText(m_audioText);
    const SourcePairKinds kinds =
        ReadSourcePair(m_videoText, SelectedDevice(m_videoList), m_audioText, SelectedDevice(m_audioList), true,
                       m_videoBinding, m_audioBinding, m_audio, m_video);
    videoKind = kinds.video;
    audioKind = kinds.audio;
}

void CAddPlayDlg::Probe()
{
    if (!m_mainWindow)
        return;
    int videoKind = 3, audioKind = 3;
    ReadSources(videoKind, audioKind);
    if ((videoKind == 2 && !m_video.filter) || (audioKind == 2 && !m_audio.filter))
        return;
    SourceDescriptor pair[2] = {m_audio, m_video};
    m_seekable = 0;
    const LRESULT seconds = ::SendMessageW(m_mainWindow, WM_PROBE_PLAY_SOURCE, reinterpret_cast<WPARAM>(pair),
                                           reinterpret_cast<LPARAM>(&m_seekable));
    m_probedDuration = seconds > 0 ? seconds : 0;
    SetSpanField(GetDlgItem(IDC_ADD_PLAY_DURATION)->m_hWnd,
                 static_cast<LONG>(m_probedDuration > kLongestSpan ? kLongestSpan : m_probedDuration));
}

int CAddPlayDlg::Refuse(UINT textId, UINT focusId, UINT style)
{
    const int answer = AppMessageBox(m_hWnd, textId, kErrorCaption, style);
    if (focusId)
        GotoDlgCtrl(GetDlgItem(focusId));
    return answer;
}

void CAddPlayDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_name.IsEmpty()) {
        Refuse(kNoName, IDC_ADD_PLAY_NAME);
        return;
    }
    if (m_playCount == 0 || m_playCount > kMostPlays) {
        Refuse(m_playCount == 0 ? kNoPlays : kTooManyPlays, IDC_ADD_PLAY_COUNT);
        return;
    }
    int videoKind = 3, audioKind = 3;
    ReadSources(videoKind, audioKind);
    if (videoKind == 2 && !m_video.filter) {
        Refuse(kInvalidVideoSource, 0);
        return;
    }
    if (audioKind == 2 && !m_audio.filter) {
        Refuse(kInvalidAudioSource, 0);
        return;
    }
    const int selected = m_typeList.GetCurSel();
    m_type = selected == CB_ERR ? kPlaySequential : static_cast<DWORD>(m_typeList.GetItemData(selected));
    m_scheduledStart = (m_type == kPlayTimed || m_type == kPlayInsert)
                           ? GetMomentField(GetDlgItem(IDC_ADD_PLAY_START)->m_hWnd)
                           : 0;
    m_startPosition = GetSpanField(GetDlgItem(IDC_ADD_PLAY_POSITION)->m_hWnd);
    // A play message carries the position in 16 bits.
    if (m_startPosition > kLongestStartPosition)
        m_startPosition = kLongestStartPosition;
    m_duration = GetSpanField(GetDlgItem(IDC_ADD_PLAY_DURATION)->m_hWnd);

    if (m_seekable == 0 && m_startPosition > 0) {
        if (Refuse(kCannotSeek, 0, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        m_startPosition = 0;
        SetSpanField(GetDlgItem(IDC_ADD_PLAY_POSITION)->m_hWnd, 0);
    }
    if (videoKind == 2 || m_probedDuration == 0 || m_probedDuration >= m_startPosition) {
        EndDialog(IDOK);
        return;
    }
    Refuse(kStartTooLate, IDC_ADD_PLAY_POSITION);
}
