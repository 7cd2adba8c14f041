#include "app/settings/ProfileConfigPage.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"
#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputSettingsIni.h"

#include <commctrl.h>
#include <oleauto.h>

#include <cstring>

namespace {

const wchar_t kSection[] = L"Encoding";
const int kDestinationCount = 7;
const int kStartDestination = 2;

// The runtime's profile editor component.
const wchar_t kEditorModule[] = L"wmex.dll";
// {A8D3AD02-7508-4004-B2E9-AD33F087F43C}
const CLSID kEditorClass = { 0xA8D3AD02, 0x7508, 0x4004, { 0xB2, 0xE9, 0xAD, 0x33, 0xF0, 0x87, 0xF4, 0x3C } };
// {731B9D9E-6CF4-4C37-A6A9-A89B880D36EC}
const IID kEditorInterface = { 0x731B9D9E, 0x6CF4, 0x4C37, { 0xA6, 0xA9, 0xA8, 0x9B, 0x88, 0x0D, 0x36, 0xEC } };

// The editor's interface as far as the page calls it: its tenth operation edits a file.
struct IProfileEditor : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved1() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
    virtual HRESULT STDMETHODCALLTYPE EditProfile(BSTR path, LONG options, LONG reserved) = 0;
};

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);

void AddColumn(HWND list, int index, UINT textId, int width)
{
    CString text;
    text.LoadString(textId);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<LPWSTR>(text.GetString());
    column.cx = width;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void AddRow(HWND list, const std::vector<CString>& texts)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<LPWSTR>(texts[0].GetString());
    const int row = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t i = 1; i < texts.size(); ++i) {
        LVITEMW sub = {};
        sub.iSubItem = static_cast<int>(i);
        sub.pszText = const_cast<LPWSTR>(texts[i].GetString());
        ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
}

void SelectRow(HWND list, int row)
{
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

DWORD StreamCount(IWMProfile* profile)
{
    DWORD count = 0;
    if (!profile || FAILED(profile->GetStreamCount(&count)))
        return 0;
    return count;
}

// Stream min(row, count - 1) of the profile; null when it has none.
CComPtr<IWMStreamConfig> StreamForRow(IWMProfile* profile, int row)
{
    CComPtr<IWMStreamConfig> stream;
    const DWORD count = StreamCount(profile);
    if (count == 0)
        return stream;
    const DWORD index = static_cast<DWORD>(row) < count ? static_cast<DWORD>(row) : count - 1;
    profile->GetStream(index, &stream);
    return stream;
}

// A two-stream profile of version 9.0: the audio stream numbered 1, the video stream 2.
HRESULT BuildPairProfile(IWMProfileManager* manager, IWMProfile* audioProfile, IWMProfile* videoProfile, int row,
                         const CString& name, IWMProfile** result)
{
    *result = nullptr;
    CComPtr<IWMStreamConfig> audio = StreamForRow(audioProfile, row);
    CComPtr<IWMStreamConfig> video = StreamForRow(videoProfile, row);
    if (!manager || !audio || !video)
        return E_UNEXPECTED;
    CComPtr<IWMProfile> profile;
    HRESULT hr = manager->CreateEmptyProfile(WMT_VER_9_0, &profile);
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = profile->SetName(name)))
        return hr;
    // Each stream keeps the number it has in its own file; the pair gets 1 and 2.
    if (FAILED(hr = audio->SetStreamNumber(1)) || FAILED(hr = profile->AddStream(audio)))
        return hr;
    if (FAILED(hr = video->SetStreamNumber(2)) || FAILED(hr = profile->AddStream(video)))
        return hr;
    *result = profile.Detach();
    return S_OK;
}

// The entry index of the n-th choice of one kind for the destination; -1 when none.
int ChoiceIndex(const SettingsMap& map, int destination, int type, int n)
{
    auto found = map.byDestination.find(destination);
    if (found == map.byDestination.end())
        return -1;
    for (size_t index : found->second) {
        if (map.entries[index].type == type && n-- == 0)
            return static_cast<int>(index);
    }
    return -1;
}

} // namespace

BEGIN_MESSAGE_MAP(CProfileConfigPage, CPropertyPage)
    ON_WM_DESTROY()
    ON_BN_CLICKED(IDC_PC_STANDARD, OnStandardMode)
    ON_BN_CLICKED(IDC_PC_CUSTOM, OnCustomMode)
    ON_CBN_SELCHANGE(IDC_PC_DESTINATION, OnDestinationChanged)
    ON_CBN_SELCHANGE(IDC_PC_VIDEO, OnVideoChanged)
    ON_CBN_SELCHANGE(IDC_PC_AUDIO, OnAudioChanged)
    ON_BN_CLICKED(IDC_PC_COPY, OnCopy)
    ON_BN_CLICKED(IDC_PC_EDIT, OnEdit)
    ON_BN_CLICKED(IDC_PC_DELETE, OnDelete)
END_MESSAGE_MAP()

CProfileConfigPage::CProfileConfigPage()
    : CPropertyPage(IDD),
      m_standardFolder(GetExeDirectory() + L"\\SProfiles"),
      m_userFolder(GetExeDirectory() + L"\\UProfiles")
{
}

CProfileConfigPage::~CProfileConfigPage()
{
    // The editor goes before the module that holds its code.
    if (m_editor)
        m_editor->Release();
    if (m_editorModule)
        CoFreeLibrary(m_editorModule);
}

void CProfileConfigPage::SetFolders(const CString& standardFolder, const CString& userFolder)
{
    m_standardFolder = standardFolder;
    m_userFolder = userFolder;
}

void CProfileConfigPage::SetOutputSize(int width, int height)
{
    m_outputWidth = width;
    m_outputHeight = height;
}

bool CProfileConfigPage::EnsureManager()
{
    if (!m_manager && FAILED(wmf::CreateProfileManager(&m_manager)))
        m_manager.Release();
    return m_manager != nullptr;
}

int CProfileConfigPage::LoadSettings()
{
    return LoadSettings(OutputIniPath());
}

int CProfileConfigPage::LoadSettings(const CString& iniPath)
{
    util::CIni ini(iniPath);
    const bool exists = ::GetFileAttributesW(iniPath) != INVALID_FILE_ATTRIBUTES;
    m_strProfile = exists ? ini.GetString(kSection, L"Profile", L"") : CString();
    if (exists)
        ReadStandardChoice(ini);
    if (!EnsureManager())
        return 0;
    CComPtr<IWMProfile> profile;
    if (!m_strProfile.IsEmpty()) {
        if (FAILED(LoadProfileFile(m_manager, m_userFolder + L"\\" + m_strProfile, &profile)))
            return 0;
    } else {
        // Standard mode: the stored standard choice is built again, so the output has a
        // profile from the first start on.
        const SettingsMap map = ReadSettingsMap(m_standardFolder + L"\\SettingsMap.xml");
        const int video = ChoiceIndex(map, m_standardChoice.destination, StreamChoice::kVideo, m_standardChoice.video);
        const int audio = ChoiceIndex(map, m_standardChoice.destination, StreamChoice::kAudio, m_standardChoice.audio);
        if (video < 0 || audio < 0)
            return 0;
        CComPtr<IWMProfile> videoProfile, audioProfile;
        const StreamChoice& v = map.entries[static_cast<size_t>(video)];
        const StreamChoice& a = map.entries[static_cast<size_t>(audio)];
        if (FAILED(LoadProfileFile(m_manager, m_standardFolder + L"\\" + v.file, &videoProfile)) ||
            FAILED(LoadProfileFile(m_manager, m_standardFolder + L"\\" + a.file, &audioProfile)) ||
            FAILED(BuildPairProfile(m_manager, audioProfile, videoProfile, m_standardChoice.row, a.name + L"/ " + v.name,
                                    &profile)))
            return 0;
    }
    CString text;
    if (FAILED(GetProfileText(m_manager, profile, text)))
        return 0;
    m_strProfileText = text;
    return 1;
}

void CProfileConfigPage::ReadStandardChoice(const util::CIni& ini)
{
    m_standardChoice.destination = ini.GetInt(kSection, L"StandardDestination", kStartDestination);
    m_standardChoice.video = ini.GetInt(kSection, L"StandardVideo", 0);
    m_standardChoice.audio = ini.GetInt(kSection, L"StandardAudio", 0);
    m_standardChoice.row = ini.GetInt(kSection, L"StandardRow", 0);
    if (m_standardChoice.destination < 0 || m_standardChoice.destination >= kDestinationCount)
        m_standardChoice.destination = kStartDestination;
    if (m_standardChoice.video < 0)
        m_standardChoice.video = 0;
    if (m_standardChoice.audio < 0)
        m_standardChoice.audio = 0;
    if (m_standardChoice.row < 0)
        m_standardChoice.row = 0;
}

CString CProfileConfigPage::ComboText(UINT id) const
{
    CString text;
    SelectedComboText(const_cast<CProfileConfigPage*>(this), id, text);
    return text;
}

int CProfileConfigPage::LastSelectedRow(UINT listId) const
{
    HWND list = ::GetDlgItem(m_hWnd, static_cast<int>(listId));
    int last = 0;
    int row = -1;
    while ((row = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0)
        last = row;
    return last;
}

bool CProfileConfigPage::HasSelection(UINT listId) const
{
    HWND list = ::GetDlgItem(m_hWnd, static_cast<int>(listId));
    return ::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) >= 0;
}

CString CProfileConfigPage::CustomRowName(int row) const
{
    wchar_t text[MAX_PATH] = {};
    LVITEMW item = {};
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    ::SendDlgItemMessageW(m_hWnd, IDC_PC_CUSTOM_LIST, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

CString CProfileConfigPage::CustomPath(const CString& name) const
{
    return m_userFolder + L"\\" + name + L".prx";
}

BOOL CProfileConfigPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    HWND standard = ::GetDlgItem(m_hWnd, IDC_PC_STANDARD_LIST);
    HWND custom = ::GetDlgItem(m_hWnd, IDC_PC_CUSTOM_LIST);
    ::SendMessageW(standard, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    ::SendMessageW(custom, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddColumn(standard, 0, IDS_COLUMN_BITRATE, 90);
    AddColumn(standard, 1, IDS_COLUMN_FRAMERATE, 90);
    AddColumn(standard, 2, IDS_COLUMN_SIZE, 90);
    AddColumn(custom, 0, IDS_COLUMN_NAME, 110);
    AddColumn(custom, 1, IDS_COLUMN_BITRATE, 80);
    AddColumn(custom, 2, IDS_COLUMN_FRAMERATE, 80);
    AddColumn(custom, 3, IDS_COLUMN_SIZE, 80);

    if (!EnsureManager()) {
        AppMessageBox(m_hWnd, IDS_NO_WM_RUNTIME, IDS_OP_ERROR_CAPTION, MB_OK | MB_ICONERROR);
        for (UINT id : { IDC_PC_STANDARD, IDC_PC_CUSTOM, IDC_PC_DESTINATION, IDC_PC_VIDEO, IDC_PC_AUDIO, IDC_PC_STANDARD_LIST,
                         IDC_PC_CUSTOM_LIST, IDC_PC_EDIT, IDC_PC_COPY, IDC_PC_DELETE })
            EnableControl(this, id, FALSE);
        return TRUE;
    }
    m_map = ReadSettingsMap(m_standardFolder + L"\\SettingsMap.xml");
    util::CIni ini(OutputIniPath());
    const bool exists = ::GetFileAttributesW(OutputIniPath()) != INVALID_FILE_ATTRIBUTES;
    m_strProfile = exists ? ini.GetString(kSection, L"Profile", L"") : CString();
    if (exists)
        ReadStandardChoice(ini);
    FillDestinations();
    FillStandardChoices();
    // The page opens on the standard choice applied last.
    if (::SendDlgItemMessageW(m_hWnd, IDC_PC_VIDEO, CB_SETCURSEL, static_cast<WPARAM>(m_standardChoice.video), 0) >= 0)
        LoadChoice(IDC_PC_VIDEO, m_videoProfile);
    if (::SendDlgItemMessageW(m_hWnd, IDC_PC_AUDIO, CB_SETCURSEL, static_cast<WPARAM>(m_standardChoice.audio), 0) >= 0)
        LoadChoice(IDC_PC_AUDIO, m_audioProfile);
    RefreshStandardList();
    FillCustomList();
    if (m_strProfile.IsEmpty()) {
        CheckRadioButton(IDC_PC_STANDARD, IDC_PC_CUSTOM, IDC_PC_STANDARD);
        ApplyMode(false);
    } else {
        CheckRadioButton(IDC_PC_STANDARD, IDC_PC_CUSTOM, IDC_PC_CUSTOM);
        ApplyMode(true);
        SelectCustomRow(m_strProfile);
    }
    // Always applied when the sheet closes with OK.
    SetModified(TRUE);
    return TRUE;
}

void CProfileConfigPage::OnDestroy()
{
    m_audioProfile.Release();
    m_videoProfile.Release();
    CPropertyPage::OnDestroy();
}

void CProfileConfigPage::FillDestinations()
{
    for (int i = 0; i < kDestinationCount; ++i) {
        CString text;
        text.LoadString(IDS_DESTINATION_FIRST + i);
        AddComboEntry(this, IDC_PC_DESTINATION, text, static_cast<DWORD_PTR>(i));
    }
    ::SendDlgItemMessageW(m_hWnd, IDC_PC_DESTINATION, CB_SETCURSEL, static_cast<WPARAM>(m_standardChoice.destination), 0);
}

void CProfileConfigPage::FillStandardChoices()
{
    ::SendDlgItemMessageW(m_hWnd, IDC_PC_VIDEO, CB_RESETCONTENT, 0, 0);
    ::SendDlgItemMessageW(m_hWnd, IDC_PC_AUDIO, CB_RESETCONTENT, 0, 0);
    const int destination = SelectedComboData(this, IDC_PC_DESTINATION);
    auto found = m_map.byDestination.find(destination);
    if (found != m_map.byDestination.end()) {
        for (size_t index : found->second) {
            const StreamChoice& choice = m_map.entries[index];
            if (choice.type == StreamChoice::kVideo)
                AddComboEntry(this, IDC_PC_VIDEO, choice.name, index);
            else if (choice.type == StreamChoice::kAudio)
                AddComboEntry(this, IDC_PC_AUDIO, choice.name, index);
        }
    }
    ::SendDlgItemMessageW(m_hWnd, IDC_PC_VIDEO, CB_SETCURSEL, 0, 0);
    ::SendDlgItemMessageW(m_hWnd, IDC_PC_AUDIO, CB_SETCURSEL, 0, 0);
    LoadChoice(IDC_PC_VIDEO, m_videoProfile);
    LoadChoice(IDC_PC_AUDIO, m_audioProfile);
    RefreshStandardList();
}

void CProfileConfigPage::LoadChoice(UINT listId, CComPtr<IWMProfile>& profile)
{
    profile.Release();
    const int index = SelectedComboData(this, listId);
    if (index < 0 || static_cast<size_t>(index) >= m_map.entries.size())
        return;
    // A file that is missing or no profile only leaves its rows out.
    LoadProfileFile(m_manager, m_standardFolder + L"\\" + m_map.entries[static_cast<size_t>(index)].file, &profile);
}

void CProfileConfigPage::RefreshStandardList()
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_PC_STANDARD_LIST);
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    const DWORD videoCount = StreamCount(m_videoProfile);
    const DWORD audioCount = StreamCount(m_audioProfile);
    const DWORD rows = videoCount > audioCount ? videoCount : audioCount;
    for (DWORD i = 0; i < rows; ++i) {
        const StreamFigures video = ReadStreamFigures(StreamForRow(m_videoProfile, static_cast<int>(i)));
        const StreamFigures audio = ReadStreamFigures(StreamForRow(m_audioProfile, static_cast<int>(i)));
        const FigureTexts texts = FormatFigures(audio.bitrate, video.bitrate, video.fps, video.width, video.height);
        AddRow(list, { texts.bitrate, texts.fps, texts.size });
    }
    if (rows > 0)
        SelectRow(list, 0);
}

void CProfileConfigPage::FillCustomList()
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_PC_CUSTOM_LIST);
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    if (m_userFolder.IsEmpty() || !m_manager)
        return;
    WIN32_FIND_DATAW found = {};
    HANDLE find = ::FindFirstFileW(m_userFolder + L"\\*.prx", &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        CString name = found.cFileName;
        if (name.GetLength() <= 4 || name.Right(4).CompareNoCase(L".prx") != 0)
            continue;   // "*.prx" also finds longer extensions such as ".prxx"
        CComPtr<IWMProfile> profile;
        if (FAILED(LoadProfileFile(m_manager, m_userFolder + L"\\" + name, &profile)))
            continue;
        DWORD audioBitrate = 0;
        StreamFigures video;
        if (StreamCount(profile) == 2) {
            for (DWORD i = 0; i < 2; ++i) {
                CComPtr<IWMStreamConfig> stream;
                if (FAILED(profile->GetStream(i, &stream)))
                    continue;
                if (IsVideoStream(stream))
                    video = ReadStreamFigures(stream);
                else if (IsAudioStream(stream))
                    audioBitrate = ReadStreamFigures(stream).bitrate;
            }
            // A size of 0 means the output's own size.
            if (video.hasPicture && video.width == 0)
                video.width = m_outputWidth;
            if (video.hasPicture && video.height == 0)
                video.height = m_outputHeight;
        }
        const FigureTexts texts = FormatFigures(audioBitrate, video.bitrate, video.fps, video.width, video.height);
        AddRow(list, { name.Left(name.GetLength() - 4), texts.bitrate, texts.fps, texts.size });
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
}

void CProfileConfigPage::SelectCustomRow(const CString& fileName)
{
    // The whole name with its extension, in any case: "show" is not "show2.prx".
    HWND list = ::GetDlgItem(m_hWnd, IDC_PC_CUSTOM_LIST);
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        if ((CustomRowName(row) + L".prx").CompareNoCase(fileName) == 0) {
            SelectRow(list, row);
            ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
        }
    }
}

void CProfileConfigPage::ApplyMode(bool custom)
{
    m_custom = custom;
    for (UINT id : { IDC_PC_DESTINATION, IDC_PC_VIDEO, IDC_PC_AUDIO, IDC_PC_STANDARD_LIST, IDC_PC_COPY })
        EnableControl(this, id, !custom);
    for (UINT id : { IDC_PC_CUSTOM_LIST, IDC_PC_EDIT })
        EnableControl(this, id, custom);
}

void CProfileConfigPage::OnStandardMode()
{
    ApplyMode(false);
    SetModified(TRUE);
}

void CProfileConfigPage::OnCustomMode()
{
    ApplyMode(true);
    SetModified(TRUE);
}

void CProfileConfigPage::OnDestinationChanged()
{
    FillStandardChoices();
}

void CProfileConfigPage::OnVideoChanged()
{
    LoadChoice(IDC_PC_VIDEO, m_videoProfile);
    RefreshStandardList();
}

void CProfileConfigPage::OnAudioChanged()
{
    LoadChoice(IDC_PC_AUDIO, m_audioProfile);
    RefreshStandardList();
}

HRESULT CProfileConfigPage::BuildStandardProfile(IWMProfile** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    return BuildPairProfile(m_manager, m_audioProfile, m_videoProfile, LastSelectedRow(IDC_PC_STANDARD_LIST),
                            ComboText(IDC_PC_AUDIO) + L"/ " + ComboText(IDC_PC_VIDEO), result);
}

void CProfileConfigPage::OnCopy()
{
    CProfileRenameDlg dialog(m_userFolder, this);
    if (AskProfileName(dialog) != IDOK)
        return;
    CComPtr<IWMProfile> profile;
    if (FAILED(BuildStandardProfile(&profile))) {
        // Nothing to save: asking to try again could never succeed.
        AppMessageBox(m_hWnd, IDS_NO_PROFILE_TO_COPY, IDS_OP_ERROR_CAPTION, MB_OK | MB_ICONERROR);
        return;
    }
    while (FAILED(SaveProfileFile(m_manager, profile, dialog.m_strPath, true))) {
        if (AppMessageBox(m_hWnd, IDS_SAVE_FAILED_RETRY, IDS_OP_ERROR_CAPTION, MB_YESNO | MB_ICONERROR) != IDYES)
            return;
    }
    FillCustomList();
    SelectCustomRow(dialog.m_strName + L".prx");
    CheckRadioButton(IDC_PC_STANDARD, IDC_PC_CUSTOM, IDC_PC_CUSTOM);
    ApplyMode(true);
}

void CProfileConfigPage::OnEdit()
{
    if (!HasSelection(IDC_PC_CUSTOM_LIST))
        return;
    if (!m_editor) {
        if (!m_editorModule)
            m_editorModule = CoLoadLibrary(const_cast<LPOLESTR>(kEditorModule), TRUE);
        if (!m_editorModule)
            return;
        const FARPROC entry = ::GetProcAddress(m_editorModule, "DllGetClassObject");
        GetClassObjectFn getClassObject = nullptr;
        static_assert(sizeof getClassObject == sizeof entry, "entry points are plain function pointers");
        std::memcpy(&getClassObject, &entry, sizeof getClassObject);
        CComPtr<IClassFactory> factory;
        if (!getClassObject || FAILED(getClassObject(kEditorClass, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
            FAILED(factory->CreateInstance(nullptr, kEditorInterface, reinterpret_cast<void**>(&m_editor))))
            return;
    }
    const CString name = CustomRowName(LastSelectedRow(IDC_PC_CUSTOM_LIST));
    BSTR path = ::SysAllocString(CustomPath(name));
    const HRESULT hr = static_cast<IProfileEditor*>(m_editor)->EditProfile(path, 17, 0);
    ::SysFreeString(path);
    if (SUCCEEDED(hr)) {
        FillCustomList();
        SelectCustomRow(name + L".prx");
    }
}

void CProfileConfigPage::OnDelete()
{
    // Only a row the operator selected, and only after asking: a click without a choice
    // must not take the first file.
    if (!m_custom || !HasSelection(IDC_PC_CUSTOM_LIST))
        return;
    const CString name = CustomRowName(LastSelectedRow(IDC_PC_CUSTOM_LIST));
    CString question;
    question.Format(static_cast<UINT>(IDS_DELETE_PROFILE), name.GetString());
    if (AppMessageBoxText(m_hWnd, question, IDS_OP_PROMPT_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    ::DeleteFileW(CustomPath(name));
    FillCustomList();
}

BOOL CProfileConfigPage::OnApply()
{
    if (!m_manager) {
        m_bApplied = TRUE;
        return CPropertyPage::OnApply();
    }
    CComPtr<IWMProfile> profile;
    if (m_custom) {
        HWND list = ::GetDlgItem(m_hWnd, IDC_PC_CUSTOM_LIST);
        if (::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0) {
            const CString name = CustomRowName(LastSelectedRow(IDC_PC_CUSTOM_LIST));
            if (FAILED(LoadProfileFile(m_manager, CustomPath(name), &profile))) {
                CString message;
                message.Format(static_cast<UINT>(IDS_PROFILE_UNREADABLE), CustomPath(name).GetString());
                AppMessageBoxText(m_hWnd, message, IDS_OP_ERROR_CAPTION, MB_OK | MB_ICONERROR);
                ::SetFocus(list);
                return FALSE;
            }
            m_strProfile = name + L".prx";
            util::CIni(OutputIniPath()).WriteString(kSection, L"Profile", m_strProfile);
        }
    } else if (SUCCEEDED(BuildStandardProfile(&profile))) {
        // The standard choice is kept, and the profile name cleared, so the next start
        // builds this same profile instead of a custom file chosen before.
        util::CIni ini(OutputIniPath());
        const int video = static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_PC_VIDEO, CB_GETCURSEL, 0, 0));
        const int audio = static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_PC_AUDIO, CB_GETCURSEL, 0, 0));
        m_standardChoice = { SelectedComboData(this, IDC_PC_DESTINATION), video, audio, LastSelectedRow(IDC_PC_STANDARD_LIST) };
        m_strProfile.Empty();
        ini.WriteString(kSection, L"Profile", L"");
        ini.WriteInt(kSection, L"StandardDestination", m_standardChoice.destination);
        ini.WriteInt(kSection, L"StandardVideo", m_standardChoice.video);
        ini.WriteInt(kSection, L"StandardAudio", m_standardChoice.audio);
        ini.WriteInt(kSection, L"StandardRow", m_standardChoice.row);
    }
    CString text;
    if (profile && SUCCEEDED(GetProfileText(m_manager, profile, text)))
        m_strProfileText = text;
    m_bApplied = TRUE;
    return CPropertyPage::OnApply();
}

CProfileRenameDlg::CProfileRenameDlg(const CString& folder, CWnd* parent) : CDialog(IDD, parent), m_folder(folder) {}

bool CProfileRenameDlg::IsValidName(const CString& fileName)
{
    if (fileName.GetLength() <= 4 || fileName.FindOneOf(L"[~!@#$%^&*()+|<>\\/?]") >= 0)
        return false;
    // Nor what no file name may hold: a colon names a hidden stream, quotes and control
    // characters no file at all.
    for (int i = 0; i < fileName.GetLength(); ++i) {
        const wchar_t c = fileName[i];
        if (c < 32 || c == L':' || c == L'"')
            return false;
    }
    return true;
}

void CProfileRenameDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_PR_NAME, m_strName);
}

void CProfileRenameDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    const CString fileName = m_strName + L".prx";
    if (!IsValidName(fileName)) {
        AppMessageBox(m_hWnd, IDS_FILE_NAME_INVALID, IDS_OP_ERROR_CAPTION, MB_OK | MB_ICONERROR);
        GetDlgItem(IDC_PR_NAME)->SetFocus();
        return;
    }
    const CString path = m_folder + L"\\" + fileName;
    if (::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES &&
        AppMessageBox(m_hWnd, IDS_PROFILE_EXISTS, IDS_OP_PROMPT_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    m_strPath = path;
    CDialog::OnOK();
}
