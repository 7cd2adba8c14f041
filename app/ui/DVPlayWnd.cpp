// The window classes first: the DirectShow headers bring windowsx.h macros they would clash with.
#include "app/ui/DVPlayWnd.h"

#include "app/core/ChannelTransport.h"
#include "app/core/DeskMessages.h"
#include "app/core/GraphContracts.h"
#include "app/core/InputFormatOptions.h"
#include "app/engine/Channel.h"
#include "app/engine/Director.h"
#include "app/settings/SelectSourceDlg.h"

#include <string>

namespace {

const LONGLONG kUnitsPerSecond = 10000000;
const COLORREF kColorKey = RGB(255, 255, 255);
const COLORREF kTimeText = RGB(0, 255, 0);
const COLORREF kTimeBack = RGB(0, 0, 0);
const COLORREF kNoSkinBack = RGB(40, 40, 40);
const int kButtonsLeft = 98;
const int kButtonsTop = 152;
// The size of a button whose skin item is missing.
const int kFallbackButtonWidth = 13;
const int kFallbackButtonHeight = 14;
// A graph that keeps yielding events is left alone after this many in one go.
const int kMaxEventsPerDrain = 256;

struct PanelButton {
    UINT id;
    UINT skinBase;
    UINT tooltip;
    bool enabled;
};

const PanelButton kButtons[CDVPlayWnd::kButtonCount] = {
    { ID_PANEL_BACK10, 1193, IDS_TIP_BACK10, false },
    { ID_PANEL_STOP, 1197, IDS_TIP_STOP, false },
    { ID_PANEL_PAUSE, 1201, IDS_TIP_PAUSE, false },
    { ID_PANEL_PLAY, 1205, IDS_TIP_PLAY, false },
    { ID_PANEL_FORWARD10, 1209, IDS_TIP_FORWARD10, false },
    { ID_PANEL_LOAD_SOURCE, 1213, IDS_TIP_LOAD_SOURCE, true },
    { ID_PANEL_MORE_CONTROLS, 1435, IDS_TIP_MORE_CONTROLS, false },
};

bool ChooseWithDialog(CWnd* parent, SourceDescriptor& audio, SourceDescriptor& video)
{
    CSelectSourceDlg dlg(parent);
    if (dlg.DoModal() != IDOK)
        return false;
    audio = dlg.GetAudioSource();
    video = dlg.GetVideoSource();
    return true;
}

CDVPlayWnd::SourceChooser g_chooser = &ChooseWithDialog;

} // namespace

// --- preview area -----------------------------------------------------------------

BEGIN_MESSAGE_MAP(CPanelPreviewArea, CWnd)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
    AFX_WM_MOUSE(WM_LBUTTONDOWN, OnButtonDown)
    AFX_WM_MOUSE(WM_RBUTTONDOWN, OnButtonDown)
    AFX_WM_MOUSE(WM_LBUTTONDBLCLK, OnButtonDoubleClick)
    AFX_WM_MOUSE(WM_RBUTTONDBLCLK, OnButtonDoubleClick)
END_MESSAGE_MAP()

BOOL CPanelPreviewArea::OnEraseBkgnd(CDC* pDC)
{
    CRect client;
    GetClientRect(client);
    ::FillRect(pDC->m_hDC, client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    return TRUE;
}

void CPanelPreviewArea::OnPaint()
{
    CPaintDC dc(this);
}

void CPanelPreviewArea::OnButtonDown(UINT, CPoint)
{
    m_panel.OnPreviewPressed();
}

void CPanelPreviewArea::OnButtonDoubleClick(UINT, CPoint)
{
    m_panel.OnPreviewDoubleClicked();
}

// --- panel ----------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDVPlayWnd, CWnd)
    ON_WM_PAINT()
    ON_MESSAGE(WM_PRINTCLIENT, OnPrintClient)
    ON_WM_ERASEBKGND()
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_COMMAND(ID_PANEL_BACK10, OnBack10)
    ON_COMMAND(ID_PANEL_STOP, OnStopCommand)
    ON_COMMAND(ID_PANEL_PAUSE, OnPauseCommand)
    ON_COMMAND(ID_PANEL_PLAY, OnPlayCommand)
    ON_COMMAND(ID_PANEL_FORWARD10, OnForward10)
    ON_COMMAND(ID_PANEL_LOAD_SOURCE, OnLoadSourceCommand)
    ON_COMMAND(ID_PANEL_MORE_CONTROLS, OnMoreControlsCommand)
    ON_COMMAND(ID_PANEL_BACK1, OnBack1)
    ON_COMMAND(ID_PANEL_FORWARD1, OnForward1)
    ON_MESSAGE(WM_PANEL_SEEK_PERCENT, OnSeekPercent)
    ON_MESSAGE(WM_PANEL_GET_PERCENT, OnGetPercent)
    ON_MESSAGE(WM_PANEL_STEP_FRAME, OnStepFrame)
    ON_MESSAGE(WM_PANEL_SET_RATE, OnSetRate)
    ON_MESSAGE(WM_CHANNEL_GRAPH_EVENT, OnGraphEvent)
END_MESSAGE_MAP()

CDVPlayWnd::CDVPlayWnd() : m_preview(*this), m_strPosition(L"00:00:00"), m_strDuration(L"00:00:00") {}

CDVPlayWnd::~CDVPlayWnd()
{
    // The channel is not deleted here: the director deletes the channels it still has when it
    // shuts down, and the main window unloads its panels before that.
    if (GetSafeHwnd() != nullptr)
        DestroyWindow();
}

void CDVPlayWnd::SetSourceChooser(SourceChooser chooser)
{
    g_chooser = chooser != nullptr ? chooser : &ChooseWithDialog;
}

BOOL CDVPlayWnd::Create(const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(nullptr, L"", WS_CHILD | WS_VISIBLE, rect, parent, id);
}

void CDVPlayWnd::SetupControls(UI_Mgr::SBmpMapMgr* skin, UINT backgroundItem)
{
    if (GetSafeHwnd() == nullptr || skin == nullptr)
        return;
    m_pSkin = skin;
    m_nBackground = backgroundItem;

    if (m_font.GetSafeHandle() == nullptr) {
        LOGFONTW lf = {};
        lf.lfHeight = -10;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
        m_font.CreateFontIndirect(&lf);
    }

    int x = kButtonsLeft;
    for (int i = 0; i < kButtonCount; ++i) {
        const PanelButton& look = kButtons[i];
        UI::SDrawBtn& button = m_buttons[i];
        if (button.GetSafeHwnd() != nullptr)
            continue;
        CRect item;
        CSize size(kFallbackButtonWidth, kFallbackButtonHeight);
        if (skin->GetItemRect(look.skinBase, item))
            size = item.Size();
        const CRect place(x, kButtonsTop, x + size.cx, kButtonsTop + size.cy);
        x += size.cx;
        if (!button.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, place, this, look.id))
            continue;
        button.SetSkinMap(skin);
        button.SetStateImages(look.skinBase);
        button.SetTransparent(TRUE, kColorKey);
        CString tip;
        if (tip.LoadString(look.tooltip))
            button.SetToolTip(tip);
        button.EnableWindow(look.enabled ? TRUE : FALSE);
    }

    if (m_preview.GetSafeHwnd() == nullptr)
        m_preview.Create(nullptr, L"", WS_CHILD | WS_VISIBLE, PreviewRect(), this, IDC_PANEL_PREVIEW);
    for (int i = 0; i < 2; ++i) {
        if (m_levels[i].GetSafeHwnd() == nullptr)
            m_levels[i].Create(LevelRect(i), this, i == 0 ? IDC_PANEL_LEVEL1 : IDC_PANEL_LEVEL2);
    }
    RedrawPanel();
}

void CDVPlayWnd::SetTallyState(int state)
{
    m_nTally = state;
    m_bOnAir = state == kOnAir;
    if (state == kOnAir || state == kIdle)
        m_bPreview = FALSE;
    if (state == kPreview)
        m_bPreview = TRUE;
    RedrawPanel();
}

void CDVPlayWnd::RedrawPanel()
{
    if (GetSafeHwnd() == nullptr)
        return;
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    // The panel paints under its children (the buttons are drawn transparent over it), so the
    // buttons and bars draw again over the new background. The preview area is left to the
    // channel's picture while there is one.
    for (UI::SDrawBtn& button : m_buttons) {
        if (button.GetSafeHwnd() != nullptr)
            button.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    for (CDBDisplayWnd& bar : m_levels) {
        if (bar.GetSafeHwnd() != nullptr)
            bar.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    if (m_pChannel == nullptr && m_preview.GetSafeHwnd() != nullptr)
        m_preview.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

IChannelTransport* CDVPlayWnd::Transport() const
{
    if (m_pChannel == nullptr || m_pChannel->GetGraph() == nullptr)
        return nullptr;
    return m_pChannel->GetGraph()->GetTransport();
}

LRESULT CDVPlayWnd::SendToParent(UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* parent = GetSafeHwnd() != nullptr ? GetParent() : nullptr;
    if (parent == nullptr || parent->GetSafeHwnd() == nullptr)
        return 0;
    return ::SendMessageW(parent->GetSafeHwnd(), message, wParam, lParam);
}

void CDVPlayWnd::EnableButton(UINT id, BOOL enable)
{
    for (UI::SDrawBtn& button : m_buttons) {
        if (button.GetSafeHwnd() != nullptr && static_cast<UINT>(button.GetDlgCtrlID()) == id)
            button.EnableWindow(enable);
    }
}

UI::SDrawBtn* CDVPlayWnd::SkinnedButton(HWND hwnd)
{
    for (UI::SDrawBtn& button : m_buttons) {
        if (button.GetSafeHwnd() == hwnd)
            return &button;
    }
    return nullptr;
}

void CDVPlayWnd::StartPositionTimer()
{
    if (GetSafeHwnd() != nullptr && SetTimer(kPositionTimer, kPositionTimerMs) != 0)
        m_bTimer = TRUE;
}

void CDVPlayWnd::StopPositionTimer()
{
    if (GetSafeHwnd() != nullptr)
        KillTimer(kPositionTimer);
    m_bTimer = FALSE;
}

CString CDVPlayWnd::FormatTime(LONGLONG time)
{
    // A negative time (a graph before its start) shows as zero.
    const LONGLONG s = time > 0 ? time / kUnitsPerSecond : 0;
    const LONGLONG hours = s / 3600;
    const LONGLONG minutes = s / 60 - hours * 60;
    const LONGLONG seconds = s - (s / 60) * 60;
    // "%2.2d:%2.2d:%2.2d" with the hours in 64 bits: at least two digits each.
    auto twoDigits = [](LONGLONG v) {
        std::wstring digits = std::to_wstring(v);
        return digits.size() < 2 ? L"0" + digits : digits;
    };
    const std::wstring text = twoDigits(hours) + L":" + twoDigits(minutes) + L":" + twoDigits(seconds);
    return CString(text.c_str());
}

LONGLONG CDVPlayWnd::RelativeSeekTarget(LONGLONG current, int seconds)
{
    const LONGLONG target = current + seconds * kUnitsPerSecond;
    if (seconds < 0 && target <= 0)
        return 0;
    return target;
}

int CDVPlayWnd::PositionPercent(LONGLONG position, LONGLONG duration)
{
    if (duration <= 0)
        return 0;
    return static_cast<int>(position * 100 / duration);
}

void CDVPlayWnd::RefreshPosition()
{
    IChannelTransport* transport = Transport();
    LONGLONG position = 0;
    if (transport == nullptr || FAILED(transport->GetCurrentPosition(&position)))
        return;
    m_strPosition = FormatTime(position);
    if (GetSafeHwnd() != nullptr)
        InvalidateRect(PositionRect(), FALSE);
}

void CDVPlayWnd::RefreshDuration()
{
    IChannelTransport* transport = Transport();
    LONGLONG duration = 0;
    if (transport == nullptr || FAILED(transport->GetDuration(&duration)))
        return;
    m_strDuration = FormatTime(duration);
    if (GetSafeHwnd() != nullptr)
        InvalidateRect(DurationRect(), FALSE);
}

BOOL CDVPlayWnd::Play()
{
    IChannelTransport* transport = Transport();
    if (transport == nullptr || FAILED(transport->Run()))
        return FALSE;
    EnableButton(ID_PANEL_PLAY, FALSE);
    EnableButton(ID_PANEL_PAUSE, TRUE);
    EnableButton(ID_PANEL_STOP, TRUE);
    EnableButton(ID_PANEL_BACK10, TRUE);
    EnableButton(ID_PANEL_FORWARD10, TRUE);
    StartPositionTimer();
    return TRUE;
}

BOOL CDVPlayWnd::Pause(BOOL skipCapture)
{
    if (m_pChannel == nullptr)
        return FALSE;
    if (skipCapture && m_pChannel->HasCaptureDevice())
        return FALSE;
    IChannelTransport* transport = Transport();
    if (transport == nullptr || FAILED(transport->Pause()))
        return FALSE;
    EnableButton(ID_PANEL_PLAY, TRUE);
    EnableButton(ID_PANEL_PAUSE, FALSE);
    EnableButton(ID_PANEL_STOP, TRUE);
    StopPositionTimer();
    return TRUE;
}

BOOL CDVPlayWnd::Stop()
{
    IChannelTransport* transport = Transport();
    if (transport == nullptr || FAILED(transport->Stop()))
        return FALSE;
    if (!m_pChannel->HasCaptureDevice()) {
        // Back to the start, paused, so the first picture stays in the preview.
        transport->SetCurrentPosition(0);
        transport->Pause();
    }
    EnableButton(ID_PANEL_BACK10, FALSE);
    EnableButton(ID_PANEL_PLAY, TRUE);
    EnableButton(ID_PANEL_PAUSE, FALSE);
    EnableButton(ID_PANEL_STOP, FALSE);
    EnableButton(ID_PANEL_FORWARD10, FALSE);
    EnableButton(ID_PANEL_MORE_CONTROLS, TRUE);
    StopPositionTimer();
    RefreshPosition();
    return TRUE;
}

BOOL CDVPlayWnd::LoadSources(const SourceDescriptor& audio, const SourceDescriptor& video)
{
    SourceDescriptor pair[2] = { audio, video };
    const LRESULT answer =
        SendToParent(WM_PANEL_LOAD_SOURCES, reinterpret_cast<WPARAM>(pair), reinterpret_cast<LPARAM>(this));
    if (answer != 1)
        return FALSE;
    if (m_pChannel == nullptr || m_pChannel->GetGraph() == nullptr)
        return FALSE;
    ::SendMessageW(m_hWnd, WM_COMMAND, m_pChannel->HasCaptureDevice() ? ID_PANEL_PLAY : ID_PANEL_PAUSE, 0);
    EnableButton(ID_PANEL_BACK10, TRUE);
    EnableButton(ID_PANEL_FORWARD10, TRUE);
    EnableButton(ID_PANEL_MORE_CONTROLS, TRUE);
    RefreshDuration();
    RefreshPosition();
    RedrawPanel();
    return TRUE;
}

void CDVPlayWnd::UnloadChannel()
{
    if (m_pChannel != nullptr) {
        if (IChannelGraph* graph = m_pChannel->GetGraph())
            graph->Stop();
        CChannel* channel = m_pChannel;
        m_pChannel = nullptr;
        delete channel;
    }
    StopPositionTimer();
    m_strPosition = L"00:00:00";
    m_strDuration = L"00:00:00";
    SetTallyState(kIdle);
    EnableButton(ID_PANEL_PLAY, FALSE);
    EnableButton(ID_PANEL_PAUSE, FALSE);
    EnableButton(ID_PANEL_STOP, FALSE);
    EnableButton(ID_PANEL_BACK10, FALSE);
    EnableButton(ID_PANEL_FORWARD10, FALSE);
    EnableButton(ID_PANEL_MORE_CONTROLS, FALSE);
    SendToParent(WM_PANEL_MORE_CONTROLS, 0, 0);
}

void CDVPlayWnd::RequestPreview()
{
    if (m_pChannel == nullptr)
        return;
    const LRESULT answer = SendToParent(WM_PANEL_SELECT, reinterpret_cast<WPARAM>(this), m_nChannel);
    if (answer == 0)
        return;
    if (m_nTally == kIdle) {
        SetTallyState(kPreview);
    } else if (m_nTally == kOnAir) {
        m_bPreview = TRUE;
        RedrawPanel();
    }
}

void CDVPlayWnd::OnPreviewDoubleClicked()
{
    // A double click on an empty panel asks for nothing, as a press does.
    if (m_pChannel == nullptr)
        return;
    SendToParent(WM_PANEL_TAKE, reinterpret_cast<WPARAM>(this), 0);
}

BOOL CDVPlayWnd::SeekRelative(int seconds)
{
    IChannelTransport* transport = Transport();
    DWORD capabilities = 0;
    if (transport == nullptr || FAILED(transport->GetCapabilities(&capabilities)) ||
        (capabilities & AM_SEEKING_CanSeekAbsolute) == 0)
        return FALSE;
    LONGLONG current = 0;
    if (FAILED(transport->GetCurrentPosition(&current)))
        return FALSE;
    const HRESULT hr = transport->SetCurrentPosition(RelativeSeekTarget(current, seconds));
    RefreshPosition();
    return SUCCEEDED(hr);
}

int CDVPlayWnd::SeekToSeconds(int seconds)
{
    IChannelTransport* transport = Transport();
    if (transport == nullptr)
        return 0;
    if (seconds != 0) {
        DWORD capabilities = 0;
        if (FAILED(transport->GetCapabilities(&capabilities)) || (capabilities & AM_SEEKING_CanSeekAbsolute) == 0)
            return 0;
    }
    if (SUCCEEDED(transport->SetCurrentPosition(seconds * kUnitsPerSecond)))
        return 1;
    Play();
    return 0;
}

void CDVPlayWnd::SetLevels(short level1, short level2)
{
    m_levels[0].SetLevel(level1);
    m_levels[1].SetLevel(level2);
}

double CDVPlayWnd::GetRate()
{
    IChannelTransport* transport = Transport();
    double rate = 1.0;
    if (transport == nullptr || FAILED(transport->GetRate(&rate)))
        return 1.0;
    return rate;
}

BOOL CDVPlayWnd::SetRate(double rate)
{
    IChannelTransport* transport = Transport();
    return transport != nullptr && SUCCEEDED(transport->SetRate(rate));
}

// --- commands and messages -------------------------------------------------------------

void CDVPlayWnd::OnPlayCommand()
{
    // Only a channel that started running while on air is news for the main window.
    if (Play() && m_nTally == kOnAir)
        SendToParent(WM_PANEL_STARTED, reinterpret_cast<WPARAM>(this), 0);
}

void CDVPlayWnd::OnLoadSourceCommand()
{
    SourceDescriptor audio;
    SourceDescriptor video;
    if (g_chooser(this, audio, video))
        LoadSources(audio, video);
}

void CDVPlayWnd::OnMoreControlsCommand()
{
    int percent = 0;
    IChannelTransport* transport = Transport();
    LONGLONG position = 0;
    LONGLONG duration = 0;
    if (transport != nullptr && SUCCEEDED(transport->GetCurrentPosition(&position)) &&
        SUCCEEDED(transport->GetDuration(&duration)))
        percent = PositionPercent(position, duration);
    SendToParent(WM_PANEL_MORE_CONTROLS, reinterpret_cast<WPARAM>(this), percent);
}

LRESULT CDVPlayWnd::OnSeekPercent(WPARAM wParam, LPARAM)
{
    IChannelTransport* transport = Transport();
    LONGLONG duration = 0;
    if (transport != nullptr && SUCCEEDED(transport->GetDuration(&duration)) && duration > 0)
        transport->SetCurrentPosition(duration * static_cast<LONGLONG>(static_cast<int>(wParam)) / 100);
    return 1;
}

LRESULT CDVPlayWnd::OnGetPercent(WPARAM wParam, LPARAM)
{
    int* percent = reinterpret_cast<int*>(wParam);
    if (percent == nullptr)
        return 0;
    *percent = 0;
    IChannelTransport* transport = Transport();
    LONGLONG position = 0;
    LONGLONG duration = 0;
    // A live source reports no duration: its percent is 0, never a division by zero.
    if (transport != nullptr && SUCCEEDED(transport->GetCurrentPosition(&position)) &&
        SUCCEEDED(transport->GetDuration(&duration)))
        *percent = PositionPercent(position, duration);
    return 1;
}

LRESULT CDVPlayWnd::OnStepFrame(WPARAM, LPARAM)
{
    IChannelTransport* transport = Transport();
    if (transport == nullptr)
        return 1;
    OAFilterState state = State_Stopped;
    if (FAILED(transport->GetState(0, &state)) || state != State_Paused)
        Pause(FALSE);
    // Pausing may have changed nothing of the channel, but read the transport again all the same.
    if ((transport = Transport()) != nullptr)
        transport->StepFrames(1);
    return 1;
}

LRESULT CDVPlayWnd::OnSetRate(WPARAM wParam, LPARAM)
{
    const double* rate = reinterpret_cast<const double*>(wParam);
    if (rate == nullptr)
        return 0;
    return SetRate(*rate) ? 1 : 0;
}

LRESULT CDVPlayWnd::OnGraphEvent(WPARAM, LPARAM)
{
    DrainGraphEvents();
    return 1;
}

void CDVPlayWnd::DrainGraphEvents()
{
    for (int taken = 0; taken < kMaxEventsPerDrain; ++taken) {
        // The main window's answer to an event may stop, reopen or unload the channel: the
        // transport is read again for every event and never used after a message was sent.
        IChannelTransport* transport = Transport();
        if (transport == nullptr)
            return;
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        if (FAILED(transport->GetEvent(&code, &param1, &param2, 0)))
            return;
        UINT message = 0;
        CComPtr<IUnknown> filter;
        if (code == EC_COMPLETE) {
            message = WM_PANEL_MEDIA_ENDED;
        } else if (code == EC_DEVICE_LOST && (param2 == 0 || param2 == 1)) {
            message = param2 == 0 ? WM_PANEL_DEVICE_LOST : WM_PANEL_DEVICE_BACK;
            // Our own reference keeps the filter alive past the freeing of the event.
            filter = reinterpret_cast<IUnknown*>(param1);
        }
        transport->FreeEventParams(code, param1, param2);
        if (message == WM_PANEL_MEDIA_ENDED)
            SendToParent(message, reinterpret_cast<WPARAM>(this), 0);
        else if (message != 0)
            SendToParent(message, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(filter.p));
    }
}

// --- painting --------------------------------------------------------------------------

void CDVPlayWnd::OnPaint()
{
    CPaintDC dc(this);
    Paint(dc);
}

LRESULT CDVPlayWnd::OnPrintClient(WPARAM wParam, LPARAM)
{
    HDC hdc = reinterpret_cast<HDC>(wParam);
    CDC* dc = CDC::FromHandle(hdc);
    const int saved = dc->SaveDC();
    Paint(*dc);
    dc->RestoreDC(saved);
    // The buttons, preview area and level bars over the background, each at its place: a
    // printed panel (a screenshot) is the whole panel, whether or not the caller asked for
    // children, which some platforms' printing leaves out.
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child))
            continue;
        CRect rc;
        ::GetWindowRect(child, &rc);
        ScreenToClient(rc);
        POINT origin;
        ::OffsetViewportOrgEx(hdc, rc.left, rc.top, &origin);
        if (UI::SDrawBtn* button = SkinnedButton(child)) {
            // An owner-drawn button prints through its own drawing, as it paints.
            DRAWITEMSTRUCT dis = {};
            dis.CtlType = ODT_BUTTON;
            dis.CtlID = static_cast<UINT>(::GetDlgCtrlID(child));
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = ::IsWindowEnabled(child) ? 0 : ODS_DISABLED;
            dis.hwndItem = child;
            dis.hDC = hdc;
            dis.rcItem = CRect(0, 0, rc.Width(), rc.Height());
            button->DrawItem(&dis);
        } else {
            ::SendMessageW(child, WM_PRINT, wParam, PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
        }
        ::SetViewportOrgEx(hdc, origin.x, origin.y, nullptr);
    }
    return 0;
}

void CDVPlayWnd::Paint(CDC& dc)
{
    CRect client;
    GetClientRect(client);
    // The channel's picture is shown in the preview area: never paint over it.
    if (m_pChannel != nullptr)
        dc.ExcludeClipRect(PreviewRect());
    if (m_pSkin == nullptr || !m_pSkin->DrawItem(&dc, client, m_nBackground, true, SRCCOPY))
        dc.FillSolidRect(client, kNoSkinBack);
    const UINT lamp = m_bOnAir ? kLampOnAir : (m_bPreview ? kLampPreview : kLampIdle);
    if (m_pSkin != nullptr)
        m_pSkin->DrawItem(&dc, LampRect(), lamp, true, SRCCOPY);

    CFont* oldFont = nullptr;
    if (m_font.GetSafeHandle() != nullptr)
        oldFont = dc.SelectObject(&m_font);
    else
        dc.SelectObject(::GetStockObject(DEFAULT_GUI_FONT));
    dc.SetTextColor(kTimeText);
    dc.SetBkColor(kTimeBack);
    const struct {
        CRect rc;
        const CString* text;
    } texts[] = { { PositionRect(), &m_strPosition }, { DurationRect(), &m_strDuration } };
    for (const auto& t : texts) {
        CRect rc = t.rc;
        dc.FillSolidRect(rc, kTimeBack);
        dc.DrawText(*t.text, t.text->GetLength(), rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (oldFont != nullptr)
        dc.SelectObject(oldFont);
}

BOOL CDVPlayWnd::OnEraseBkgnd(CDC*)
{
    // OnPaint covers the whole client area.
    return TRUE;
}

void CDVPlayWnd::OnTimer(UINT_PTR id)
{
    if (id == kPositionTimer)
        RefreshPosition();
    else
        CWnd::OnTimer(id);
}

void CDVPlayWnd::OnDestroy()
{
    StopPositionTimer();
    CWnd::OnDestroy();
}

// --- project file ------------------------------------------------------------------------

void CDVPlayWnd::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        const BYTE hasChannel = m_pChannel != nullptr ? 1 : 0;
        ar << hasChannel;
        if (!hasChannel)
            return;
        ar << static_cast<int>(m_nTally);
        const BYTE hasGraph = m_pChannel->GetGraph() != nullptr ? 1 : 0;
        ar << hasGraph;
        if (!hasGraph)
            return;
        SourceDescriptor audio = m_pChannel->GetAudioSource();
        SourceDescriptor video = m_pChannel->GetVideoSource();
        audio.Serialize(ar);
        video.Serialize(ar);
        IChannelTransport* transport = Transport();
        OAFilterState state = State_Stopped;
        LONGLONG position = 0;
        if (transport == nullptr || FAILED(transport->GetState(100, &state)))
            state = State_Stopped;
        if (transport == nullptr || FAILED(transport->GetCurrentPosition(&position)))
            position = 0;
        ar << static_cast<int>(state);
        ar << position;
        // A graph without a transport stores the default options: the record keeps its shape.
        InputFormatOptions options;
        if (transport != nullptr)
            options = transport->GetInputOptions();
        options.Serialize(ar);
        return;
    }

    // Everything the record holds is read before the panel changes, so a record cut short
    // throws with the panel as it was.
    BYTE hasChannel = 0;
    ar >> hasChannel;
    if (!hasChannel)
        return;
    int tally = kIdle;
    ar >> tally;
    BYTE hasGraph = 0;
    ar >> hasGraph;
    SourceDescriptor audio;
    SourceDescriptor video;
    int state = 0;
    LONGLONG position = 0;
    InputFormatOptions graphRecord;
    if (hasGraph) {
        audio.Serialize(ar);
        video.Serialize(ar);
        ar >> state;
        ar >> position;
        graphRecord.Serialize(ar);
    }
    // The main window sets program and preview after loading; a value no panel has reads as idle.
    m_nTally = tally >= kOnAir && tally <= kIdle ? tally : kIdle;
    if (!hasGraph)
        return;

    BindSourceFilters(audio, video);
    // A source missing at load time (a device unplugged, a file moved) leaves the panel empty
    // and the following records in step.
    LoadSources(audio, video);
    if (Transport() == nullptr)
        return;
    switch (state) {
    case State_Stopped:
        Stop();
        break;
    case State_Paused:
        Pause(TRUE);
        break;
    case State_Running:
        Play();
        break;
    default:
        break;
    }
    if (IChannelTransport* transport = Transport()) {
        transport->SetCurrentPosition(position);
        RefreshPosition();
        transport->ApplyInputOptions(graphRecord);
    }
}
