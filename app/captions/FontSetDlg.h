// The font and style dialog: one caption text style, either one of four preset styles or a
// custom style built from the font, decoration and colour controls, with a live sample. The
// main window opens it modally for the subtitle line's style and reads the result with
// GetStyle after OK.
#pragma once

#include <afxwin.h>

#include "app/captions/CharTextStyle.h"
#include "app/captions/FontSetDlgIds.h"
#include "app/captions/StyleControls.h"

class CFontSetDlg : public CDialog {
public:
    enum { IDD = IDD_FONT_SET };
    enum { kPresetCount = 4 };

    // `style` (may be null) is the style to start from; it is copied.
    explicit CFontSetDlg(const CharTextStyle* style, CWnd* pParent = nullptr);
    ~CFontSetDlg() override = default;

    // The edited style; reads member values only, so it works after the dialog has closed.
    void GetStyle(CharTextStyle* style) const;
    bool IsPresetMode() const { return m_presetMode; }
    int GetPreset() const { return m_preset; }

    // One of the four preset styles (1..4).
    static CharTextStyle PresetStyle(int preset);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnPaint();
    void OnDestroy();
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    DECLARE_MESSAGE_MAP()

private:
    void SetMode(bool preset);
    void RepaintSample();

    StyleValues m_values;
    CStyleControls m_controls;
    bool m_presetMode = true;
    int m_preset = 1;
    RECT m_sample = {0, 0, 0, 0};
};
