#include "app/captions/MoreCharDlg.h"

#include <afxdlgs.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <climits>
#include <cwchar>

#include "app/captions/CaptionFolder.h"
#include "app/captions/CaptionMessages.h"
#include "app/captions/CaptionStrings.h"
#include "app/captions/LISLayer.h"
#include "app/captions/PageLayers.h"
#include "app/captions/PreViewDlg.h"
#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"

using namespace captions;

namespace {

const UINT kStringPictureFilter = 133;
const UINT kStringUntitled = 140;
const UINT kStringPromptCaption = 141;
const UINT kStringSavePrompt = 142;
const UINT kStringPageFilter = 143;
const UINT kStringOpenFailed = 144;
const UINT kStringFolderTitle = 166;
const unsigned kMotionNames = 153;
const unsigned kTimingNames = 259;
const UINT kStringFirstTip = 230;
const DWORD_PTR kFileItem = 0x10000;

const StyleControlIds kIds = {IDC_FONT_FACE,        IDC_FONT_SIZE,           IDC_FONT_BOLD,
                              IDC_FONT_ITALIC,      IDC_FONT_UNDERLINE,      IDC_FONT_OUTLINE,
                              IDC_FONT_OUTLINE_WIDTH, IDC_FONT_SHADOW,       IDC_MORE_SHADOW_X,
                              IDC_MORE_SHADOW_Y,    IDC_MORE_SHADOW_X_SPIN,  IDC_MORE_SHADOW_Y_SPIN,
                              IDC_FONT_DIRECTION,   IDC_FONT_ALIGNMENT,      IDC_FONT_STRETCH,
                              IDC_FONT_FILTER,      IDC_FONT_TEXT_COLOUR,    IDC_FONT_OUTLINE_COLOUR,
                              IDC_FONT_SHADOW_COLOUR, IDC_FONT_BACKGROUND_COLOUR, IDC_FONT_BACKGROUND,
                              IDC_FONT_OPACITY};

CString LoadText(UINT id)
{
    return CString(LoadCaptionString(id).c_str());
}

bool IsFile(const CString& path)
{
    const DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The file dialogs' filters are stored in the framework's bar form.
CString Filter(UINT id)
{
    return LoadText(id);
}

} // namespace

BEGIN_MESSAGE_MAP(CMoreCharDlg, CDialog)
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_WM_DRAWITEM()
    ON_MESSAGE(WM_NOTEPAD_NEWOBJECT, OnNewObject)
    ON_MESSAGE(WM_NOTEPAD_SELECT, OnSelectObject)
    ON_MESSAGE(WM_NOTEPAD_MODIFIED, OnCanvasModified)
    ON_MESSAGE(WM_PREVIEW_CLOSED, OnPreviewClosed)
END_MESSAGE_MAP()

CMoreCharDlg::CMoreCharDlg(ICaptionStage* stage, const CharTextStyle* style, CWnd* pParent)
    : CDialog(IDD, pParent), m_stage(stage), m_controls(kIds, m_values)
{
    ::CoInitialize(nullptr); // the folder picker; balanced in the destructor
    CNotePadWnd::RegisterClass();
    const CString program = GetExeDirectory();
    m_folder = program + L"\\rxf";
    m_iniPath = program + L"\\config\\char.ini";
    m_folder = util::CIni(m_iniPath).GetString(L"char", L"path", m_folder);
    if (style) {
        m_haveStyle = true;
        m_givenStyle = *style;
    }
}

CMoreCharDlg::~CMoreCharDlg()
{
    if (m_hWnd)
        DestroyWindow();
    RemoveAllLayers();
    ::CoUninitialize();
}

BOOL CMoreCharDlg::Create(CWnd* parent)
{
    return CDialog::Create(IDD, parent);
}

CLISScene* CMoreCharDlg::Overlay() const
{
    return m_stage ? m_stage->GetOverlayScene() : nullptr;
}

CLISScene* CMoreCharDlg::PreviewScene() const
{
    return m_stage ? m_stage->GetPreviewScene() : nullptr;
}

BOOL CMoreCharDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_canvas.SubclassDlgItem(IDC_MORE_CANVAS, this);
    SHFILEINFOW info = {};
    HIMAGELIST icons = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    for (UINT id : {IDC_MORE_FOLDER_LIST, IDC_MORE_APPLIED}) {
        HWND list = ::GetDlgItem(m_hWnd, id);
        // Shared: the system's image list must outlive the list view.
        ::SetWindowLongPtrW(list, GWL_STYLE, ::GetWindowLongPtrW(list, GWL_STYLE) | LVS_SHAREIMAGELISTS);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        RECT r;
        ::GetClientRect(list, &r);
        column.cx = r.right - 4;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    }
    if (icons)
        ::SendDlgItemMessageW(m_hWnd, IDC_MORE_FOLDER_LIST, LVM_SETIMAGELIST, LVSIL_SMALL,
                              reinterpret_cast<LPARAM>(icons));
    m_controls.Fill(this);
    HWND motions = ::GetDlgItem(m_hWnd, IDC_MORE_MOTION);
    for (int i = 0; i <= 8; ++i) {
        const std::wstring name = LoadCaptionString(kMotionNames + i);
        const LRESULT at = ::SendMessageW(motions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ::SendMessageW(motions, CB_SETITEMDATA, static_cast<WPARAM>(at), i);
    }
    HWND timings = ::GetDlgItem(m_hWnd, IDC_MORE_TIMING);
    for (int i = 0; i < kTimingCount; ++i) {
        const std::wstring name = LoadCaptionString(kTimingNames + i);
        const LRESULT at = ::SendMessageW(timings, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ::SendMessageW(timings, CB_SETITEMDATA, static_cast<WPARAM>(at), i);
    }
    if (m_haveStyle)
        m_values.FromStyle(m_givenStyle);
    m_controls.Show(this);
    ::SendMessageW(motions, CB_SETCURSEL, static_cast<WPARAM>(m_motion), 0);
    ShowTiming(0);
    SetDlgItemText(IDC_MORE_FOLDER, m_folder);
    FillFolderList();
    if (m_tips.Create(this)) {
        static const UINT buttons[] = {IDC_MORE_BROWSE, IDC_MORE_ONOFF, IDC_MORE_APPLY, IDC_MORE_NEW,
                                       IDC_MORE_FILE,   IDC_MORE_SAVE,  IDC_MORE_IMAGE, IDC_MORE_VIEW};
        for (UINT i = 0; i < 8; ++i)
            m_tips.AddTool(GetDlgItem(static_cast<int>(buttons[i])), LoadText(kStringFirstTip + i));
        m_tips.Activate(TRUE);
    }
    SetOn(false);
    EnableApply(false);
    return TRUE;
}

BOOL CMoreCharDlg::PreTranslateMessage(MSG* pMsg)
{
    if (m_tips.m_hWnd)
        m_tips.RelayEvent(pMsg);
    return CDialog::PreTranslateMessage(pMsg);
}

CString CMoreCharDlg::GetToolTip(UINT id) const
{
    return m_tips.m_hWnd ? m_tips.GetText(GetDlgItem(static_cast<int>(id))) : CString();
}

// ---- style and timing ----

void CMoreCharDlg::CommitTiming()
{
    if (!m_hWnd)
        return;
    CString text;
    GetDlgItemText(IDC_MORE_TIMING_VALUE, text);
    int value = _wtoi(text);
    if (value < 0) {
        // The layers time in 64 bits, so the largest value is safe: it means "for ever".
        value = INT_MAX;
        SetDlgItemInt(IDC_MORE_TIMING_VALUE, static_cast<UINT>(value), TRUE);
    }
    m_timing[m_timingShown] = value;
}

void CMoreCharDlg::ShowTiming(int which)
{
    if (which < 0 || which >= kTimingCount)
        return;
    m_timingShown = which;
    ::SendDlgItemMessageW(m_hWnd, IDC_MORE_TIMING, CB_SETCURSEL, static_cast<WPARAM>(which), 0);
    SetDlgItemInt(IDC_MORE_TIMING_VALUE, static_cast<UINT>(m_timing[which]), TRUE);
}

LRESULT CMoreCharDlg::OnNewObject(WPARAM wParam, LPARAM)
{
    CCharObject* object = reinterpret_cast<CCharObject*>(wParam);
    if (!object)
        return 0;
    m_controls.ReadEdits(this);
    CommitTiming();
    object->SetText(m_values.ToStyle(), L"1");
    object->SetStay(m_timing[kStay]);
    object->SetSpeed(m_timing[kSpeed]);
    object->SetStartDelay(m_timing[kStartDelay]);
    object->SetRepeatCount(m_timing[kRepeatCount]);
    object->SetRepeatInterval(m_timing[kRepeatInterval]);
    object->SetMotion(static_cast<BYTE>(m_motion));
    return 0;
}

LRESULT CMoreCharDlg::OnSelectObject(WPARAM wParam, LPARAM)
{
    const CCharObject* object = reinterpret_cast<const CCharObject*>(wParam);
    if (!object)
        return 0;
    CharTextStyle style;
    if (!object->GetStyle(&style))
        style.SetDefault(); // an object without data has the defaults
    m_values.FromStyle(style);
    m_timing[kStartDelay] = object->GetStartDelay();
    m_timing[kSpeed] = object->GetSpeed();
    m_timing[kStay] = object->GetStay();
    m_timing[kRepeatCount] = object->GetRepeatCount();
    m_timing[kRepeatInterval] = object->GetRepeatInterval();
    m_motion = object->GetMotion() <= 8 ? object->GetMotion() : 0;
    if (m_hWnd) {
        m_controls.Show(this);
        ::SendDlgItemMessageW(m_hWnd, IDC_MORE_MOTION, CB_SETCURSEL, static_cast<WPARAM>(m_motion), 0);
        ShowTiming(0);
    }
    return 0;
}

LRESULT CMoreCharDlg::OnCanvasModified(WPARAM wParam, LPARAM)
{
    EnableApply(m_on && wParam != 0);
    return 0;
}

LRESULT CMoreCharDlg::OnPreviewClosed(WPARAM, LPARAM)
{
    if (m_stage)
        m_stage->HideCaptionPreview();
    return 0;
}

// ---- commands ----

BOOL CMoreCharDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (code == BN_CLICKED || (lParam == 0 && code == 0)) {
        switch (id) {
        case IDC_MORE_ONOFF: OnOnOff(); return TRUE;
        case IDC_MORE_APPLY: OnApply(); return TRUE;
        case IDC_MORE_NEW: OnNew(); return TRUE;
        case IDC_MORE_FILE: OpenCaptionFile(nullptr); return TRUE;
        case IDC_MORE_SAVE: OnSave(); return TRUE;
        case IDC_MORE_IMAGE: OnImage(); return TRUE;
        case IDC_MORE_VIEW: OnView(); return TRUE;
        case IDC_MORE_BROWSE: OnBrowse(); return TRUE;
        default: break;
        }
    }
    if (code == CBN_SELCHANGE && id == IDC_MORE_TIMING) {
        CommitTiming();
        const LRESULT at = ::SendDlgItemMessageW(m_hWnd, id, CB_GETCURSEL, 0, 0);
        if (at != CB_ERR)
            ShowTiming(static_cast<int>(::SendDlgItemMessageW(m_hWnd, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0)));
        return TRUE;
    }
    if (code == CBN_SELCHANGE && id == IDC_MORE_MOTION) {
        const LRESULT at = ::SendDlgItemMessageW(m_hWnd, id, CB_GETCURSEL, 0, 0);
        if (at != CB_ERR)
            m_motion = static_cast<int>(::SendDlgItemMessageW(m_hWnd, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
        return TRUE;
    }
    if (lParam && m_controls.OnCommand(this, id, code))
        return TRUE;
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CMoreCharDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == UDN_DELTAPOS &&
        m_controls.OnSpin(this, static_cast<UINT>(header->idFrom), reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta)) {
        *pResult = 0;
        return TRUE;
    }
    if (header->idFrom == IDC_MORE_FOLDER_LIST && header->code == NM_DBLCLK) {
        OnFolderOpen(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
        return TRUE;
    }
    if (header->idFrom == IDC_MORE_APPLIED && header->code == NM_CLICK) {
        OnAppliedClick(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
        return TRUE;
    }
    return CDialog::OnNotify(wParam, lParam, pResult);
}

bool CMoreCharDlg::PromptSave(bool alwaysAsk)
{
    if (!m_canvas.m_hWnd || !m_canvas.IsModified(true))
        return true;
    const CString path = m_canvas.GetPath();
    if (path.IsEmpty() || alwaysAsk) {
        const CString name = path.IsEmpty() ? LoadText(kStringUntitled) : NameOf(path);
        CString question;
        question.Format(LoadText(kStringSavePrompt), static_cast<LPCWSTR>(name));
        const int answer =
            AppMessageBoxText(m_hWnd, question, kStringPromptCaption, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDNO)
            return true;
        if (answer != IDYES)
            return false;
    }
    return OnSave();
}

bool CMoreCharDlg::OnSave()
{
    CString path = m_canvas.GetPath();
    if (path.IsEmpty()) {
        CFileDialog dialog(FALSE, L"rxf", LoadText(kStringUntitled), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                           Filter(kStringPageFilter), this);
        if (dialog.DoModal() != IDOK)
            return false;
        path = dialog.GetPathName();
    }
    if (!m_canvas.SaveFile(path))
        return false;
    if (SameText(FolderOf(path), m_folder))
        FillFolderList();
    return true;
}

bool CMoreCharDlg::OpenCaptionFile(LPCWSTR given)
{
    if (!PromptSave(true))
        return false;
    CString path = given ? CString(given) : CString();
    if (path.IsEmpty()) {
        CFileDialog dialog(TRUE, L"rxf", nullptr, OFN_HIDEREADONLY | OFN_EXPLORER, Filter(kStringPageFilter), this);
        if (dialog.DoModal() != IDOK)
            return false;
        path = dialog.GetPathName();
    }
    if (!m_canvas.LoadFile(path)) {
        AppMessageBox(m_hWnd, kStringOpenFailed, kStringPromptCaption, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    SetOn(IsApplied(path));
    EnableApply(false);
    return true;
}

bool CMoreCharDlg::OnNew()
{
    if (!PromptSave(true))
        return false; // cancelled: the page stays
    m_canvas.Clear();
    SetOn(false);
    EnableApply(false);
    CCharObject fresh;
    CharTextStyle style;
    style.SetDefault();
    fresh.SetStyle(style);
    OnSelectObject(reinterpret_cast<WPARAM>(&fresh), 0);
    return true;
}

bool CMoreCharDlg::IsApplied(const CString& path) const
{
    const CString key = PageKey(path);
    for (const CString& p : m_applied)
        if (PageKey(p) == key)
            return true;
    return false;
}

void CMoreCharDlg::OnOnOff()
{
    const CString path = m_canvas.GetPath();
    if (m_on && IsApplied(path)) {
        const CString key = PageKey(path);
        for (size_t i = 0; i < m_applied.size();) {
            if (PageKey(m_applied[i]) == key)
                m_applied.erase(m_applied.begin() + static_cast<std::ptrdiff_t>(i));
            else
                ++i;
        }
        RemovePageLayers(path);
        RefreshApplied();
        SetOn(false);
        EnableApply(false);
        return;
    }
    // Only a saved page goes on air: the project and the playout name it by its file, and
    // pages are told apart by their paths.
    if (!PromptSave(true) || (m_canvas.GetPath().IsEmpty() && !OnSave())) {
        SetOn(false);
        return;
    }
    // What goes on air is the file, as the project and the playout will read it again (the
    // operator may have declined to save the latest changes; APPLY saves and shows them).
    const CString saved = m_canvas.GetPath();
    CCharObjList page;
    if (!page.LoadFromFile(saved)) {
        SetOn(false);
        return;
    }
    if (!IsApplied(saved))
        m_applied.push_back(saved);
    RefreshApplied();
    RemovePageLayers(saved);
    BuildPageLayers(saved, page, Overlay(), &m_appliedLayers);
    SetOn(true);
    EnableApply(m_canvas.IsModified(false));
}

void CMoreCharDlg::OnApply()
{
    if (!PromptSave(false) || m_canvas.GetPath().IsEmpty())
        return;
    const CString path = m_canvas.GetPath();
    CCharObjList page;
    if (!page.LoadFromFile(path))
        return;
    RemovePageLayers(path);
    BuildPageLayers(path, page, Overlay(), &m_appliedLayers);
    EnableApply(false);
}

void CMoreCharDlg::OnImage()
{
    CFileDialog dialog(TRUE, L"bmp", nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, Filter(kStringPictureFilter), this);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    const CString ending = path.Right(4);
    struct Format {
        const wchar_t* ending;
        int id;
    };
    static const Format formats[] = {{L".bmp", 1}, {L".jpg", 3}, {L".gif", 2}, {L".png", 4}, {L".tga", 6}};
    for (const Format& f : formats)
        if (SameText(ending, f.ending)) {
            m_canvas.InsertImage(path, f.id);
            return;
        }
}

void CMoreCharDlg::OnView()
{
    if (m_stage)
        m_stage->HideCaptionPreview();
    RemoveLayers(PreviewScene(), m_previewLayers);
    if (m_preview && m_preview->m_hWnd && m_preview->IsWindowVisible()) {
        m_preview->ShowWindow(SW_HIDE);
        return;
    }
    if (!m_preview) {
        const SIZE size = m_stage ? m_stage->GetOutputSize() : SIZE{720, 576};
        m_preview.reset(new CPreViewDlg(size.cx, size.cy, this));
        if (!m_preview->Create(this, m_hWnd)) {
            m_preview.reset();
            return;
        }
    }
    m_preview->ShowWindow(SW_SHOW);
    if (CLISScene* scene = PreviewScene()) {
        m_canvas.IsModified(true); // the preview shows what is typed too
        HDC dc = ::GetDC(m_hWnd);
        BuildRenderObjects(dc, m_canvas.GetPage(), CanvasRect(), scene, &m_previewLayers);
        ::ReleaseDC(m_hWnd, dc);
    }
    if (m_stage)
        m_stage->ShowCaptionPreview(m_preview->GetViewWindow());
}

void CMoreCharDlg::OnBrowse()
{
    const CString title = LoadText(kStringFolderTitle);
    BROWSEINFOW info = {};
    info.hwndOwner = m_hWnd;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (!chosen)
        return;
    wchar_t folder[MAX_PATH] = {};
    const BOOL ok = ::SHGetPathFromIDListW(chosen, folder);
    ::CoTaskMemFree(chosen);
    if (ok)
        SetCaptionFolder(folder);
}

void CMoreCharDlg::SetCaptionFolder(const CString& folder)
{
    m_folder = folder;
    util::CIni(m_iniPath).WriteString(L"char", L"path", m_folder);
    if (m_hWnd) {
        SetDlgItemText(IDC_MORE_FOLDER, m_folder);
        FillFolderList();
    }
}

void CMoreCharDlg::FillFolderList()
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_MORE_FOLDER_LIST);
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    const std::vector<FolderEntry> entries = ListCaptionFolder(m_folder);
    for (size_t i = 0; i < entries.size(); ++i) {
        const CString full = m_folder + L"\\" + entries[i].name;
        SHFILEINFOW info = {};
        ::SHGetFileInfoW(full, 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<LPWSTR>(static_cast<LPCWSTR>(entries[i].name));
        item.iImage = info.iIcon;
        item.lParam = static_cast<LPARAM>(entries[i].folder ? i : (i | kFileItem));
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void CMoreCharDlg::OnFolderOpen(int item)
{
    if (item < 0)
        return;
    HWND list = ::GetDlgItem(m_hWnd, IDC_MORE_FOLDER_LIST);
    wchar_t name[MAX_PATH] = {};
    LVITEMW it = {};
    it.mask = LVIF_TEXT | LVIF_PARAM;
    it.iItem = item;
    it.pszText = name;
    it.cchTextMax = MAX_PATH;
    if (!::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)))
        return;
    if (it.lParam & kFileItem) {
        OpenCaptionFile(m_folder + L"\\" + name);
        return;
    }
    CString next;
    if (CString(name) == L"..") {
        if (!ParentFolder(m_folder, &next))
            return;
    } else {
        next = m_folder + (m_folder.Right(1) == L"\\" ? L"" : L"\\") + name;
    }
    SetCaptionFolder(next);
}

void CMoreCharDlg::OnAppliedClick(int item)
{
    if (item < 0 || item >= static_cast<int>(m_applied.size()))
        return;
    if (PageKey(m_applied[static_cast<size_t>(item)]) == PageKey(m_canvas.GetPath()))
        return;
    if (!OpenCaptionFile(m_applied[static_cast<size_t>(item)]))
        ::SendDlgItemMessageW(m_hWnd, IDC_MORE_APPLIED, LVM_SETSELECTIONMARK, 0, -1);
}

void CMoreCharDlg::RefreshApplied()
{
    if (!m_hWnd)
        return;
    HWND list = ::GetDlgItem(m_hWnd, IDC_MORE_APPLIED);
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < m_applied.size(); ++i) {
        const CString name = NameOf(m_applied[i]);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<LPWSTR>(static_cast<LPCWSTR>(name));
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void CMoreCharDlg::SetOn(bool on)
{
    m_on = on;
    if (m_hWnd)
        CheckDlgButton(IDC_MORE_ONOFF, on ? BST_CHECKED : BST_UNCHECKED);
}

void CMoreCharDlg::EnableApply(bool enable)
{
    if (m_hWnd)
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_MORE_APPLY), enable);
}

RECT CMoreCharDlg::CanvasRect() const
{
    RECT r = {0, 0, 0, 0};
    if (m_canvas.m_hWnd)
        ::GetClientRect(m_canvas.m_hWnd, &r);
    return r;
}

// ---- layers ----

void CMoreCharDlg::BuildPageLayers(const CString& path, const CCharObjList& page, CLISScene* scene, PageLayerMap* into)
{
    if (!scene)
        return;
    std::vector<CLISLayer*> layers;
    HDC dc = ::GetDC(m_hWnd);
    BuildRenderObjects(dc, page, CanvasRect(), scene, &layers);
    ::ReleaseDC(m_hWnd, dc);
    const CString key = PageKey(path);
    for (CLISLayer* layer : layers)
        into->insert(std::make_pair(key, layer));
}

void CMoreCharDlg::RemovePageLayers(const CString& path)
{
    const auto range = m_appliedLayers.equal_range(PageKey(path));
    for (auto it = range.first; it != range.second; ++it) {
        if (CLISScene* scene = Overlay())
            scene->RemoveLayer(it->second);
        delete it->second;
    }
    m_appliedLayers.erase(range.first, range.second);
}

void CMoreCharDlg::RemoveLayers(CLISScene* scene, std::vector<CLISLayer*>& layers)
{
    for (CLISLayer* layer : layers) {
        if (scene)
            scene->RemoveLayer(layer);
        delete layer;
    }
    layers.clear();
}

void CMoreCharDlg::RemoveAllLayers()
{
    CLISScene* overlay = Overlay();
    for (auto& entry : m_appliedLayers) {
        if (overlay)
            overlay->RemoveLayer(entry.second);
        delete entry.second;
    }
    m_appliedLayers.clear();
    for (auto& entry : m_scheduledLayers) {
        if (overlay)
            overlay->RemoveLayer(entry.second);
        delete entry.second;
    }
    m_scheduledLayers.clear();
    RemoveLayers(PreviewScene(), m_previewLayers);
}

int CMoreCharDlg::ShowScheduledCaption(BOOL show, WORD index, LPCWSTR path, HDC dc)
{
    CLISScene* overlay = Overlay();
    if (!overlay)
        return 0;
    if (!show) {
        auto first = m_scheduledLayers.begin(), last = m_scheduledLayers.end();
        if (index != kHideAllScheduled) {
            const auto range = m_scheduledLayers.equal_range(index);
            first = range.first;
            last = range.second;
        }
        for (auto it = first; it != last; ++it) {
            overlay->RemoveLayer(it->second);
            delete it->second;
        }
        m_scheduledLayers.erase(first, last);
        return 0;
    }
    if (!path || !IsFile(path))
        return 0;
    CCharObjList page;
    if (!page.LoadFromFile(path))
        return 0;
    const RECT canvas = {0, 0, page.GetWidth(), page.GetHeight()};
    std::vector<CLISLayer*> layers;
    HDC like = dc ? dc : ::GetDC(nullptr);
    BuildRenderObjects(like, page, canvas, overlay, &layers);
    if (!dc)
        ::ReleaseDC(nullptr, like);
    for (CLISLayer* layer : layers)
        m_scheduledLayers.insert(std::make_pair(index, layer));
    return 1;
}

// ---- the project file ----

void CMoreCharDlg::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << static_cast<int>(m_applied.size());
        for (const CString& path : m_applied) {
            ar.WriteString(path);
            ar.WriteString(L"\n");
        }
        return;
    }
    int count = 0;
    ar >> count;
    std::vector<CString> pages;
    for (int i = 0; i < count; ++i) {
        CString path;
        if (!ar.ReadString(path))
            break;
        pages.push_back(path);
    }
    OpenAppliedPages(pages, nullptr);
}

void CMoreCharDlg::OpenAppliedPages(const std::vector<CString>& pages, std::vector<CString>* missing)
{
    // A project replaces the pages on air; each page is read on its own, without questions,
    // and only a page that reads goes on air.
    CLISScene* overlay = Overlay();
    for (auto& entry : m_appliedLayers) {
        if (overlay)
            overlay->RemoveLayer(entry.second);
        delete entry.second;
    }
    m_appliedLayers.clear();
    m_applied.clear();
    CString lastOpened;
    for (const CString& path : pages) {
        CCharObjList page;
        if (path.IsEmpty() || IsApplied(path) || !IsFile(path) || !page.LoadFromFile(path)) {
            if (missing && !path.IsEmpty() && !IsApplied(path))
                missing->push_back(path);
            continue;
        }
        m_applied.push_back(path);
        BuildPageLayers(path, page, overlay, &m_appliedLayers);
        lastOpened = path;
    }
    RefreshApplied();
    // Text typed on the canvas counts as a change: the in-place edit is committed first.
    if (!lastOpened.IsEmpty() && m_canvas.m_hWnd && !m_canvas.IsModified(true) && m_canvas.LoadFile(lastOpened)) {
        SetOn(true);
        EnableApply(false);
    } else if (m_canvas.m_hWnd) {
        // The page on the canvas may have left the air with the old list.
        SetOn(IsApplied(m_canvas.GetPath()));
        EnableApply(false);
    }
}

// ---- closing and painting ----

void CMoreCharDlg::OnClose()
{
    // The save question first; the editor is only hidden, its pages stay on air.
    if (OnNew())
        ShowWindow(SW_HIDE);
}

void CMoreCharDlg::OnDestroy()
{
    CommitTiming();
    if (m_preview && m_preview->m_hWnd)
        m_preview->DestroyWindow();
    m_preview.reset();
    // The layers go before the engine does: nothing else frees them.
    if (m_stage)
        m_stage->HideCaptionPreview();
    RemoveAllLayers();
    CDialog::OnDestroy();
}

void CMoreCharDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (!m_controls.DrawColourButton(this, static_cast<UINT>(nIDCtl), lpDrawItemStruct))
        Default();
}
