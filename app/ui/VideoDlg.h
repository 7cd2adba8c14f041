// The separate video window: a frame whose client area is one child window of the program
// output's size, into which the video mixer presents the program once the main window has
// registered the child (WM_ADD_VIDEO_WINDOW). A double click switches it between a normal
// window and full screen on its monitor; the main window can also place it full screen on any
// rectangle (a chosen monitor).
#pragma once

#include <afxwin.h>

#include "app/ui/ViewIds.h"

// The presentation child: black, and a double click on it is the frame's double click.
class CVideoChildWnd : public CWnd {
public:
    CVideoChildWnd() = default;

protected:
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnLButtonDblClk(UINT flags, CPoint pt);

    DECLARE_MESSAGE_MAP()
};

class CVideoDlg : public CDialog {
public:
    enum { IDD = IDD_VIDEO_DLG };
    static const int kDefaultWidth = 720;
    static const int kDefaultHeight = 576;

    explicit CVideoDlg(CWnd* pParent = nullptr);
    ~CVideoDlg() override;

    // The program output's size, before the window is created (720 x 576 until set).
    void SetOutputSize(int width, int height);
    // A modeless window from dialog 147.
    BOOL Create(CWnd* pParent = nullptr);

    // 1 while the owning view shows the window, 0 while it is hidden.
    void SetShownFlag(int shown) { m_nShown = shown; }
    int GetShownFlag() const { return m_nShown; }

    void SetAspect(double aspect) { m_dAspect = aspect; }
    double GetAspect() const { return m_dAspect; }

    BOOL IsFullScreen() const { return m_bFullScreen; }
    // The window rectangle it returns to when it leaves full screen.
    const CRect& GetSavedRect() const { return m_rcSaved; }
    // The child window the mixer presents into (null before the window exists).
    HWND GetVideoWindow() const { return m_video.GetSafeHwnd(); }

    // Full screen on the monitor nearest to the window, or back to the saved rectangle; what a
    // double click does. FALSE when the monitor could not be read (nothing changes then).
    BOOL ToggleFullScreen();
    // Full screen over `rc`; the rectangle saved for the return is the one before the first
    // time the window went full screen.
    BOOL PlaceOnRect(const RECT& rc);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;

    BOOL EnterFullScreen(const RECT& rc);
    void LeaveFullScreen();
    void TellMainWindowRemoved();

    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnSize(UINT type, int cx, int cy);
    void OnLButtonDblClk(UINT flags, CPoint pt);
    void OnClose();
    void OnDestroy();

    int m_nShown = 0;
    BOOL m_bFullScreen = FALSE;
    CRect m_rcSaved;
    CVideoChildWnd m_video;
    double m_dAspect = 1.0;
    int m_nWidth = kDefaultWidth;
    int m_nHeight = kDefaultHeight;

    DECLARE_MESSAGE_MAP()
};
