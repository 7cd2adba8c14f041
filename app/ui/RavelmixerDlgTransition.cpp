// The transition control every switch goes through, the desk's timers, the T-bar, the outputs'
// on-air lock and the switching commands.
#include "app/ui/RavelmixerDlg.h"

#include "app/core/DeskMessages.h"
#include "app/core/OutputType.h"
#include "app/engine/AudioMixer.h"
#include "app/settings/ColorKeyDlg.h"
#include "app/ui/AllCtrlPane.h"

#include <cwchar>

namespace {

// The automatic switch's duration and the publishing interval, in tenths of a second; their
// plus and minus buttons move them by half a second.
const int kMinDuration = 2, kMaxDuration = 100;
const int kMinInterval = 5, kMaxInterval = 100;
const int kStepTenths = 5;

int ClampTenths(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

// Tenths of a second from an edit's text ("1.5"); `fallback` when it is no number.
int ReadTenths(CWnd* dialog, int control, int fallback)
{
    CString text;
    dialog->GetDlgItemText(control, text);
    wchar_t* end = nullptr;
    const double seconds = wcstod(text, &end);
    if (end == static_cast<LPCWSTR>(text) || seconds != seconds)
        return fallback;
    // Far past either limit is as good as the limit: "1e30" must not overflow the conversion.
    const double bounded = seconds < -1.0e6 ? -1.0e6 : seconds > 1.0e6 ? 1.0e6 : seconds;
    return static_cast<int>(bounded * 10.0 + 0.5);
}

void WriteTenths(CWnd* dialog, int control, int tenths)
{
    CString text;
    text.Format(L"%.1f", tenths / 10.0);
    dialog->SetDlgItemText(control, text);
}

} // namespace

CDVPlayWnd* CRavelmixerDlg::PanelOfChannel(int channel)
{
    return channel >= 1 && channel <= kPanelCount ? &m_panels[channel - 1] : nullptr;
}

void CRavelmixerDlg::UpdateViewEnable()
{
    if (m_view.GetSafeHwnd())
        m_view.EnableWindow(m_nProgram != 0);
}

void CRavelmixerDlg::KillAutoSwitch()
{
    if (m_bAutoSwitchTimer && m_hWnd)
        KillTimer(kAutoSwitchTimer);
    m_bAutoSwitchTimer = FALSE;
}

HRESULT CRavelmixerDlg::StartTransition(int effect, BOOL timed, int durationMs)
{
    if (m_bTransition || m_nProgram == 0 || m_nPreview == 0 || m_nProgram == m_nPreview)
        return E_UNEXPECTED;
    if (effect == 0)
        effect = SelectedEffect();
    if (CDVPlayWnd* preview = PanelOfChannel(m_nPreview))
        preview->Play();
    const HRESULT hr = m_director.StartTransition(effect, timed, durationMs);
    if (hr != S_OK)
        return FAILED(hr) ? hr : E_UNEXPECTED;
    m_bTransition = TRUE;
    return S_OK;
}

HRESULT CRavelmixerDlg::EndTransition(BOOL swap)
{
    // However the transition ends, its automatic end is no longer due.
    KillAutoSwitch();
    if (!m_bTransition || m_nProgram == 0 || m_nPreview == 0 || m_nProgram == m_nPreview)
        return E_UNEXPECTED;
    const int engineProgram = m_director.GetProgramChannel();
    const HRESULT hr = m_director.EndTransition(swap != FALSE);
    if (swap && m_director.GetProgramChannel() != engineProgram) {
        CDVPlayWnd* oldProgram = PanelOfChannel(m_nProgram);
        CDVPlayWnd* oldPreview = PanelOfChannel(m_nPreview);
        if (oldProgram)
            oldProgram->SetTallyState(CDVPlayWnd::kPreview);
        if (oldPreview)
            oldPreview->SetTallyState(CDVPlayWnd::kOnAir);
        std::swap(m_nProgram, m_nPreview);
    }
    // The operator may have the preview wait for its next take.
    if (m_nSecPause) {
        UI::SDrawBtn* console = GetButton(1063);
        const bool exempt = m_nPreview == 1 && console && console->GetCheck();
        if (!exempt)
            if (CDVPlayWnd* preview = PanelOfChannel(m_nPreview))
                preview->Pause(FALSE);
    }
    m_bTransition = FALSE;
    if (UI::SDrawBtn* autoSwitch = GetButton(1019))
        autoSwitch->SetCheck(FALSE);
    return hr;
}

void CRavelmixerDlg::SetTransitionPosition(int percent)
{
    if (m_bTransition)
        m_director.SetTransitionPosition(percent);
}

void CRavelmixerDlg::HardCut(int channel)
{
    CDVPlayWnd* panel = PanelOfChannel(channel);
    if (!panel || channel == m_nProgram || !panel->GetChannel() || m_bTransition)
        return;
    panel->RequestPreview();
    if (SUCCEEDED(StartTransition(1, FALSE, 1000)))
        EndTransition(TRUE);
}

void CRavelmixerDlg::AutoSwitch()
{
    if (m_bTransition) {
        EndTransition(TRUE);
        return;
    }
    m_nAutoDuration = ClampTenths(ReadTenths(this, 1024, m_nAutoDuration), kMinDuration, kMaxDuration);
    WriteTenths(this, 1024, m_nAutoDuration);
    const int durationMs = m_nAutoDuration * 100;
    if (FAILED(StartTransition(0, TRUE, durationMs)))
        return;
    if (UI::SDrawBtn* button = GetButton(1019))
        button->SetCheck(TRUE);
    KillAutoSwitch();
    m_bAutoSwitchTimer = SetTimer(kAutoSwitchTimer, static_cast<UINT>(durationMs), nullptr) != 0;
}

void CRavelmixerDlg::OnDurationStep(UINT control)
{
    const int step = control == 1055 ? kStepTenths : -kStepTenths;
    m_nAutoDuration = ClampTenths(ReadTenths(this, 1024, m_nAutoDuration) + step, kMinDuration, kMaxDuration);
    WriteTenths(this, 1024, m_nAutoDuration);
}

void CRavelmixerDlg::OnIntervalStep(UINT control)
{
    const int step = control == 1057 ? kStepTenths : -kStepTenths;
    m_nPublishInterval = ClampTenths(ReadTenths(this, 1058, m_nPublishInterval) + step, kMinInterval, kMaxInterval);
    WriteTenths(this, 1058, m_nPublishInterval);
}

BOOL CRavelmixerDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    if (HIWORD(wParam) == 0 || HIWORD(wParam) == 1) {
        // Hard cuts: channel commands, the hot keys and the playout.
        if (id >= 34465 && id <= 34469) {
            HardCut(static_cast<int>(id - 34464));
            return TRUE;
        }
        if (id >= 34458 && id <= 34462) {
            HardCut(static_cast<int>(id - 34458 + 1));
            return TRUE;
        }
        if (id == 32777 || id == 32795) {
            AutoSwitch();
            return TRUE;
        }
        if (RunDeskCommand(id))
            return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CRavelmixerDlg::OnVScroll(UINT code, UINT, CScrollBar* bar)
{
    if (!bar || bar->GetDlgCtrlID() != 1018 || !m_tbar.GetSafeHwnd())
        return;
    if (code != SB_LINEUP && code != SB_LINEDOWN && code != SB_THUMBTRACK && code != SB_THUMBPOSITION &&
        code != SB_PAGEUP && code != SB_PAGEDOWN)
        return;
    const int range = m_tbar.GetRangeMax();
    if (range <= 0)
        return;
    const int percent = m_tbar.GetPos() * 100 / range;
    if (percent <= 0) {
        // Back where it started, the transition is cancelled.
        if (m_bTransition)
            EndTransition(!m_bTBarAtTop);
        m_bTBarAtTop = TRUE;
    } else if (percent >= 100) {
        if (m_bTransition)
            EndTransition(m_bTBarAtTop);
        m_bTBarAtTop = FALSE;
    } else if (!m_bTransition) {
        StartTransition(0, FALSE, 1000);
    }
    if (m_bTransition)
        SetTransitionPosition(m_bTBarAtTop ? percent : 100 - percent);
}

void CRavelmixerDlg::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kAutoSwitchTimer:
        KillAutoSwitch();
        EndTransition(TRUE);
        if (UI::SDrawBtn* button = GetButton(1019))
            button->SetCheck(FALSE);
        return;
    case kVersionTimer:
        KillTimer(kVersionTimer);
        if (m_versionRequest)
            m_versionRequest->Start(m_hWnd, WM_VERSION_INFO_DONE);
        return;
    case kMeterTimer: {
        CAudioMixer* mixer = m_director.GetAudioMixer();
        if (!mixer)
            return;
        for (int input = 0; input < kPanelCount; ++input) {
            const DWORD word = static_cast<DWORD>(mixer->GetLevel(input));
            if (m_panels[input].GetSafeHwnd())
                m_panels[input].SetLevels(MeterLow(word), MeterHigh(word));
        }
        const DWORD mix = static_cast<DWORD>(mixer->GetLevel(kPanelCount));
        if (m_view.GetSafeHwnd())
            m_view.SetLevels(MeterLow(mix), MeterHigh(mix));
        return;
    }
    default:
        CDialog::OnTimer(id);
    }
}

// --- outputs ------------------------------------------------------------------------

HRESULT CRavelmixerDlg::StartOutput(int type)
{
    const HRESULT hr = m_director.StartOutput(type);
    if (FAILED(hr))
        return hr;
    if (!m_bOnAirLock) {
        m_bOnAirLock = TRUE;
        if (m_view.GetSafeHwnd())
            m_view.StartTimer();
    }
    if (UI::SDrawBtn* button = GetButton(1016))
        button->SetCheck(TRUE);
    return hr;
}

HRESULT CRavelmixerDlg::StopOutput(int type)
{
    const HRESULT hr = m_director.StopOutput(type);
    AfterOutputStopped();
    return hr;
}

void CRavelmixerDlg::AfterOutputStopped()
{
    if (m_director.AreOutputsRunning())
        return;
    if (UI::SDrawBtn* button = GetButton(1016))
        button->SetCheck(FALSE);
    if (m_view.GetSafeHwnd())
        m_view.StopTimer();
    m_bOnAirLock = FALSE;
}

// --- panes and control dialogs ---------------------------------------------------------

void CRavelmixerDlg::OnPanePanels()
{
    if (!m_pPanelPane) {
        CWnd* targets[kPanelCount];
        for (int i = 0; i < kPanelCount; ++i)
            targets[i] = &m_panels[i];
        m_pPanelPane.reset(new CAllCtrlPane(targets, kPanelCount, this));
        m_pPanelPane->SetSkinMap(&m_skin);
        m_pPanelPane->SetOwnerButton(GetDlgItem(1064));
    }
    m_pPanelPane->Toggle();
}

void CRavelmixerDlg::OnMixerConsole()
{
    m_director.ShowVolumeDialog();
}

void CRavelmixerDlg::OnColorKey()
{
    CColorKeyDlg::Open(m_director.GetVideoMixer(), this);
}
