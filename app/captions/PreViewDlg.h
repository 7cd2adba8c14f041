// The caption preview dialog: a modeless window holding one drawing child of exactly the
// program output size, into which the director's caption preview draws the preview overlay
// scene. Closing hides it and tells the window to notify (the caption editor).
#pragma once

#include <afxwin.h>

#include "app/captions/PreViewDlgIds.h"

class CPreViewDlg : public CDialog {
public:
    enum { IDD = IDD_CAPTION_PREVIEW };

    CPreViewDlg(int outputWidth, int outputHeight, CWnd* pParent = nullptr);
    ~CPreViewDlg() override;

    // Creates the (hidden) dialog; `notify` receives WM_PREVIEW_CLOSED.
    BOOL Create(CWnd* pParent, HWND notify);
    void SetNotifyWindow(HWND notify) { m_notify = notify; }
    // The drawing window handed to the director's caption preview.
    HWND GetViewWindow() const { return m_view.m_hWnd; }

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override;
    void OnPaint();
    void OnSize(UINT type, int cx, int cy);
    void OnClose();
    DECLARE_MESSAGE_MAP()

private:
    CWnd m_view;
    HWND m_notify = nullptr;
    int m_width;
    int m_height;
};
