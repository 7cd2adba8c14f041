// The colour adjustment and keying dialog: edits, live, the video settings record of each of
// the five channels in the video mixer (contrast, brightness, hue and saturation; the colour
// key with its background picture or channel, hue limits and key range). Every change goes
// into the mixer's record at once and shows in the next rendered frame; nothing is saved here
// (the records travel in the project file). Modeless; the object deletes itself when its
// window goes.
#pragma once

#include <afxwin.h>

#include "app/settings/ColorKeyDlgIds.h"

class CVideoMixer;
struct ChannelVideoSettings;

class CColorKeyDlg : public CDialog {
public:
    enum { IDD = IDD_COLORKEY };
    static const int kChannelCount = 5;

    // The seven track bars, each 0..100, in the order of their table.
    enum Track { kContrast, kBrightness, kHue, kSaturation, kHueCenter, kHueWidth, kMinSaturation, kTrackCount };

    // The mixer is not owned; null (an engine that did not start) leaves every control idle.
    explicit CColorKeyDlg(CVideoMixer* mixer, CWnd* parent = nullptr);
    ~CColorKeyDlg() override;

    // The main window's command: the open dialog is brought forward, or a new one is made,
    // shown and returned (null when its window cannot be made). One dialog at a time, so two
    // views never edit the same record from stale copies.
    static CColorKeyDlg* Open(CVideoMixer* mixer, CWnd* parent);
    static CColorKeyDlg* Current() { return s_pOpen; }

    // The channel being edited, 1..5.
    int GetChannel() const { return m_nChannel; }

    // Track-bar arithmetic: the value a position stands for, and the nearest position of a
    // value (clamped to 0..100, so a stored value beyond the bar's scale shows at its end).
    static float ValueFromPosition(Track track, int position);
    static int PositionFromValue(Track track, float value);

    // The key source that names another channel ("CHANNEL:3"); 0 when it names none.
    static CString ChannelKeySource(int channel);
    static int KeySourceChannel(const CString& source);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;

    void OnHScroll(UINT code, UINT position, CScrollBar* bar);
    void OnDrawItem(int id, LPDRAWITEMSTRUCT item);
    void OnChannelChanged();
    void OnColorAdjustClicked();
    void OnKeyClicked();
    void OnBrowse();
    void OnBackgroundChannel();
    void OnRangeChanged(UINT id);

    DECLARE_MESSAGE_MAP()

private:
    ChannelVideoSettings* Record() const;
    void LoadChannel();
    void RefreshEnabling();
    void ShowTrack(Track track, float value);
    void ShowKeySource();
    void StoreKeySource(const CString& source);

    static CColorKeyDlg* s_pOpen;

    CVideoMixer* m_pMixer;
    int m_nChannel = 1;
    // Set while the controls are filled from a record, so their notifications write nothing
    // back (an edit's change notice would otherwise round the record to the text shown).
    bool m_bLoading = false;
    // Copies of what is shown.
    BOOL m_bColorAdjust = FALSE;
    BOOL m_bKey = FALSE;
    float m_values[kTrackCount] = {};
    float m_range[4] = {};
    CString m_strKeySource;
};
