// The audio mixing console: a gain fader for each of the five inputs and one for the
// output, a check that puts each input into the mix, automatic gain control, and audio that
// follows the program channel. Every change goes straight into the audio mixer, which keeps
// and saves the values; the console holds none of its own. Modeless: closing destroys the
// window, and the director keeps the object to show it again.
#pragma once

#include <afxwin.h>

#include "app/engine/VolumeConsole.h"
#include "app/settings/VolAdjustDlgIds.h"

class CVolAdjustDlg : public CDialog, public IVolumeConsole {
public:
    enum { IDD = IDD_VOLADJUST };
    static const int kFaderCount = 6;   // inputs 0..4, then the output
    static const int kInputCount = 5;

    // The fader scale: -62 at the top (+12 dB) to 12 at the bottom (-62 dB); -100 dB, an
    // input taken out of the mix by its fader, sits at the bottom.
    static const int kTopPosition = -62;
    static const int kBottomPosition = 12;
    static const int kMuteDb = -100;
    static int PositionFromGain(int dB);
    static int GainFromPosition(int position);

    CVolAdjustDlg();
    // The window goes with the object.
    ~CVolAdjustDlg() override;

    // IVolumeConsole
    void SetAudioMixer(CAudioMixer* mixer) override { m_pMixer = mixer; }
    bool Present(HWND owner) override;
    void Close() override;

    CAudioMixer* GetAudioMixer() const { return m_pMixer; }
    // Shows the mixer's gains, selections and switches.
    void SyncFromMixer();
    // All six faders were found and loaded: fader moves reach the mixer.
    bool IsReady() const { return m_bReady; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnVScroll(UINT code, UINT position, CScrollBar* bar);
    void OnSelClicked(UINT id);
    void OnAgcClicked();
    void OnAutoSwitchClicked();

    DECLARE_MESSAGE_MAP()

private:
    void ApplyAgc(bool on);
    void ApplyAutoSwitch(bool on);

    CAudioMixer* m_pMixer = nullptr;
    bool m_bReady = false;
    // Held only while the console moves a fader itself, so the move is never taken for the
    // operator's.
    bool m_bSettingFader = false;
};
