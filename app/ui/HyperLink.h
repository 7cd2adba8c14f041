// A static text control turned into a link: link colours, optional underline, a hand cursor, the
// target in a tool tip, and the target opened with the shell on a click or the space key.
#pragma once

#include <afxwin.h>
#include <afxcmn.h>

class CHyperLink : public CStatic {
    DECLARE_DYNAMIC(CHyperLink)
public:
    enum StyleFlag : DWORD {
        StyleUnderline = 0x01,
        StyleUseHover = 0x02,
        StyleAutoSize = 0x04,
        StyleDownClick = 0x08,
        StyleGetFocusOnClick = 0x10,
        StyleNoHandCursor = 0x20,
        StyleNoActiveColour = 0x40,
    };
    static const DWORD kDefaultStyle = StyleAutoSize | StyleGetFocusOnClick;
    static const UINT kToolId = 1;

    // The shell's open of a target; returns what ShellExecuteW returns (above 32 for success).
    typedef HINSTANCE (*ShellOpenFunc)(HWND owner, LPCWSTR target);
    // Replaces the shell open (tests record the target instead); null restores ShellExecuteW.
    static ShellOpenFunc SetShellOpenFunction(ShellOpenFunc func);
    typedef void (*BeepFunc)(UINT type);
    static BeepFunc SetBeepFunction(BeepFunc func);

    CHyperLink() = default;
    ~CHyperLink() override = default;

    void SetTarget(LPCWSTR target);
    const CString& GetTarget() const { return m_strTarget; }
    void ReplaceText(LPCWSTR text);
    void ReplaceFont(CFont& font);
    BOOL ChangeStyle(DWORD remove, DWORD add, BOOL update = TRUE);
    DWORD GetStyleFlags() const { return m_dwStyle; }
    void SetVisitedFlag(BOOL visited = TRUE) { m_bVisited = visited; }
    BOOL GetVisitedFlag() const { return m_bVisited; }
    BOOL IsOverControl() const { return m_bOverControl; }
    BOOL IsActive() const { return m_bActive; }
    CToolTipCtrl& GetToolTip() { return m_ToolTip; }

    // Class-wide colours; a hover colour of -1 stands for the system highlight colour.
    static void SetClassColours(COLORREF link, COLORREF active, COLORREF visited, COLORREF hover = (COLORREF)-1);
    static void GetClassColours(COLORREF& link, COLORREF& active, COLORREF& visited, COLORREF& hover);
    // Class-wide cursor; none loads the default hand again.
    static void SetClassCursor(HCURSOR cursor);
    static HCURSOR GetClassCursor();

    // The text colour for a link in the given state and style.
    static COLORREF ChooseColour(BOOL over, BOOL active, BOOL visited, DWORD style);

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // Opens the target with the shell: a beep when that fails, else the link is visited. An empty
    // target does nothing.
    void FollowLink();

protected:
    void PreSubclassWindow() override;
    void PositionWindow();
    static void SetDefaultCursor();
    void BuildFont(const LOGFONTW& base);

    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnMouseMove(UINT flags, CPoint pt);
    void OnLButtonDown(UINT flags, CPoint pt);
    void OnLButtonUp(UINT flags, CPoint pt);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnSetFocus(CWnd* pOldWnd);
    void OnKillFocus(CWnd* pNewWnd);
    LRESULT OnNcHitTest(CPoint pt);

    BOOL m_bActive = FALSE;
    BOOL m_bOverControl = FALSE;
    BOOL m_bVisited = FALSE;
    CString m_strTarget;
    CFont m_Font;
    CToolTipCtrl m_ToolTip;
    DWORD m_dwStyle = kDefaultStyle;

    static COLORREF s_crLinkColour;
    static COLORREF s_crActiveColour;
    static COLORREF s_crVisitedColour;
    static COLORREF s_crHoverColour;
    static HCURSOR s_hLinkCursor;

    DECLARE_MESSAGE_MAP()
};
