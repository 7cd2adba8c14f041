// A channel's audio level bar: one level in dB drawn as a bar of green up to the middle,
// yellow up to five sixths and red up to the end, the unlit rest dark grey.
#pragma once

#include <afxwin.h>

class CDBDisplayWnd : public CWnd {
public:
    static const short kFloorDb = -60;

    CDBDisplayWnd() = default;
    ~CDBDisplayWnd() override = default;

    // A visible child of the framework's default window class.
    BOOL Create(const RECT& rect, CWnd* parent, UINT id);

    // Stores the level and redraws the bar when it has a window.
    void SetLevel(short levelDb);
    short GetLevel() const { return m_level; }

    // The lit length of a bar `width` pixels long at `levelDb` (0 below the floor, never past
    // the end), and the end of each colour band from the left: green, yellow, red.
    static int LitLength(int width, int levelDb);
    struct Bands {
        int greenEnd;
        int yellowEnd;
        int redEnd;
    };
    static Bands BandsFor(int width, int levelDb);
    static constexpr COLORREF kGreen = RGB(0, 255, 0);
    static constexpr COLORREF kYellow = RGB(255, 255, 0);
    static constexpr COLORREF kRed = RGB(255, 0, 0);
    static constexpr COLORREF kUnlit = RGB(66, 65, 66);

    // Draws the bar for the level into `rc` of `dc`.
    static void Draw(CDC& dc, const CRect& rc, int levelDb);

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    // Printing (screenshots, WM_PRINT) draws the same bar.
    LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);

    short m_level = kFloorDb;

    DECLARE_MESSAGE_MAP()
};
