#include "app/settings/VolAdjustDlg.h"

#include "app/engine/AudioMixer.h"

#include <afxcmn.h>

namespace {

// Input faders 1199..1203, then the output fader.
UINT FaderId(int index)
{
    return index < CVolAdjustDlg::kInputCount ? IDC_VOL_FADER1 + static_cast<UINT>(index) : IDC_VOL_FADER_OUT;
}

int FaderIndex(UINT id)
{
    if (id >= IDC_VOL_FADER1 && id <= IDC_VOL_FADER5)
        return static_cast<int>(id - IDC_VOL_FADER1);
    return id == IDC_VOL_FADER_OUT ? CVolAdjustDlg::kInputCount : -1;
}

} // namespace

BEGIN_MESSAGE_MAP(CVolAdjustDlg, CDialog)
    ON_WM_VSCROLL()
    ON_CONTROL_RANGE(BN_CLICKED, IDC_VOL_SEL1, IDC_VOL_SEL5, OnSelClicked)
    ON_BN_CLICKED(IDC_VOL_AGC, OnAgcClicked)
    ON_BN_CLICKED(IDC_VOL_AUTOSWITCH, OnAutoSwitchClicked)
END_MESSAGE_MAP()

CVolAdjustDlg::CVolAdjustDlg() : CDialog(IDD) {}

CVolAdjustDlg::~CVolAdjustDlg()
{
    Close();
}

int CVolAdjustDlg::PositionFromGain(int dB)
{
    if (dB <= kMuteDb)
        return kBottomPosition;
    const int position = -dB - 50;
    return position < kTopPosition ? kTopPosition : (position > kBottomPosition ? kBottomPosition : position);
}

int CVolAdjustDlg::GainFromPosition(int position)
{
    return -position - 50;
}

bool CVolAdjustDlg::Present(HWND owner)
{
    if (m_hWnd == nullptr) {
        const BOOL made = Create(IDD, CWnd::FromHandle(owner));
        // The window keeps its owner; the wrapper it came in is temporary and must not be kept.
        m_pParentWnd = nullptr;
        if (!made)
            return false;
    }
    if (!IsWindowVisible())
        ShowWindow(SW_SHOW);
    return true;
}

void CVolAdjustDlg::Close()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

BOOL CVolAdjustDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SyncFromMixer();
    CenterWindow();
    return TRUE;
}

void CVolAdjustDlg::OnOK()
{
}

void CVolAdjustDlg::OnCancel()
{
    DestroyWindow();
}

void CVolAdjustDlg::SyncFromMixer()
{
    m_bReady = false;
    if (m_pMixer == nullptr || m_hWnd == nullptr)
        return;
    int loaded = 0;
    m_bSettingFader = true;
    for (; loaded < kFaderCount; ++loaded) {
        CSliderCtrl* fader = static_cast<CSliderCtrl*>(GetDlgItem(FaderId(loaded)));
        if (fader == nullptr)
            break;
        fader->SetRange(kTopPosition, kBottomPosition);
        fader->SetTicFreq(6);
        fader->SetPageSize(6);
        fader->SetPos(PositionFromGain(m_pMixer->GetGainDb(loaded)));
    }
    m_bSettingFader = false;
    m_bReady = loaded == kFaderCount;
    for (int i = 0; i < kInputCount; ++i)
        CheckDlgButton(IDC_VOL_SEL1 + i, m_pMixer->GetSel(i) ? BST_CHECKED : BST_UNCHECKED);
    const bool agc = m_pMixer->GetAGC() != 0;
    CheckDlgButton(IDC_VOL_AGC, agc ? BST_CHECKED : BST_UNCHECKED);
    ApplyAgc(agc);
    const bool autoSwitch = m_pMixer->GetAutoSwitch() != 0;
    CheckDlgButton(IDC_VOL_AUTOSWITCH, autoSwitch ? BST_CHECKED : BST_UNCHECKED);
    ApplyAutoSwitch(autoSwitch);
}

void CVolAdjustDlg::OnVScroll(UINT code, UINT position, CScrollBar* bar)
{
    (void)code;
    (void)position;   // the fader's own position is read: the control keeps it inside its range
    if (!m_bReady || m_bSettingFader || m_pMixer == nullptr || bar == nullptr)
        return;
    const int index = FaderIndex(static_cast<UINT>(bar->GetDlgCtrlID()));
    if (index < 0)
        return;
    CSliderCtrl* fader = static_cast<CSliderCtrl*>(GetDlgItem(FaderId(index)));
    int pos = fader->GetPos();
    pos = pos < kTopPosition ? kTopPosition : (pos > kBottomPosition ? kBottomPosition : pos);
    int gain = GainFromPosition(pos);
    if (gain == m_pMixer->GetGainDb(index))
        return;
    if (gain < -60) {
        // The last steps of the fader take the input out of the mix.
        m_bSettingFader = true;
        fader->SetPos(kBottomPosition);
        m_bSettingFader = false;
        gain = kMuteDb;
    }
    m_pMixer->SetGainDb(index, gain);
}

void CVolAdjustDlg::OnSelClicked(UINT id)
{
    if (m_pMixer == nullptr)
        return;
    const int input = static_cast<int>(id - IDC_VOL_SEL1);
    m_pMixer->SetSel(input, IsDlgButtonChecked(static_cast<int>(id)) == BST_CHECKED);
}

void CVolAdjustDlg::OnAgcClicked()
{
    if (m_pMixer == nullptr)
        return;
    const bool on = IsDlgButtonChecked(IDC_VOL_AGC) == BST_CHECKED;
    m_pMixer->SetAGC(on ? 1 : 0);
    ApplyAgc(on);
}

void CVolAdjustDlg::OnAutoSwitchClicked()
{
    if (m_pMixer == nullptr)
        return;
    ApplyAutoSwitch(IsDlgButtonChecked(IDC_VOL_AUTOSWITCH) == BST_CHECKED);
}

void CVolAdjustDlg::ApplyAgc(bool on)
{
    // Automatic gain control sets the output level itself.
    GetDlgItem(IDC_VOL_FADER_OUT)->EnableWindow(!on);
}

void CVolAdjustDlg::ApplyAutoSwitch(bool on)
{
    // Following the program channel, the mixer picks the inputs itself.
    m_pMixer->SetAutoSwitch(on ? 1 : 0);
    for (UINT id = IDC_VOL_SEL1; id <= IDC_VOL_FADER5; ++id)
        GetDlgItem(id)->EnableWindow(!on);
}
