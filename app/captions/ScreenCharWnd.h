// The subtitle line window: the queue of subtitle lines the operator loads from a text file or
// types in place. One line at a time becomes the current subtitle, rendered with the main
// window's style into a memory bitmap handed to the parent with WM_CAPTION_BITMAP; a line that
// has been shown leaves the list. Lines advance on a timer (automatic) or on request (manual).
#pragma once

#include <afxcmn.h>
#include <afxwin.h>

#include "app/captions/CharTextStyle.h"

class CScreenCharWnd : public CWnd {
public:
    enum { kListId = 14644, kAutoTimer = 1, kTextBand = 20, kListTop = 22, kLongestLine = 1024 };

    CScreenCharWnd();
    ~CScreenCharWnd() override;

    // A child window of the parent; the parent receives WM_CAPTION_BITMAP and
    // WM_SUBTITLE_AUTO_ENDED.
    BOOL Create(const RECT& rect, CWnd* parent, UINT id);

    // The style lines are drawn with (the main window's; nothing is drawn or sent without one).
    void SetStyle(const CharTextStyle* style) { m_style = style; }
    // Replaces the list with the file's non-empty lines, converted from `codePage`; reading
    // stops at the first line longer than 1024 bytes. False when the file cannot be opened.
    bool LoadTextFile(LPCWSTR path, UINT codePage = CP_ACP);
    void SetAutoMode(bool enable, double seconds);
    void SetManualMode(bool enable);
    bool IsManualMode() const { return m_manualMode; }
    bool IsAutoMode() const { return m_autoMode; }
    UINT GetPeriod() const { return m_period; }
    // Makes line `index` the current subtitle (and removes it from the list), or hides the
    // subtitle when no mode is on or there is no such line.
    void TakeLine(int index);
    // Hands the current text to the parent as a bitmap, or hides the subtitle when it is empty.
    void RenderLine();
    const CString& GetCurrentText() const { return m_text; }
    CListCtrl& GetList() { return m_list; }

protected:
    // The automatic timer; tests drive the ticks by hand instead.
    virtual void StartTicker(UINT periodMs);
    virtual void StopTicker();
    void Tick();

    int OnCreate(LPCREATESTRUCT cs);
    void OnPaint();
    void OnSize(UINT type, int cx, int cy);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    DECLARE_MESSAGE_MAP()

private:
    void OnListClick(const NMITEMACTIVATE* click);
    bool OnEndEdit(const NMLVDISPINFOW* info);
    void EndAutoMode();

    CListCtrl m_list;
    CString m_text;
    bool m_autoMode = false;
    bool m_manualMode = false;
    bool m_ticking = false;
    UINT m_period = 1000;
    const CharTextStyle* m_style = nullptr;
};
