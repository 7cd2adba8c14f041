#include "app/ui/DBDisplayWnd.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CDBDisplayWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_MESSAGE(WM_PRINTCLIENT, OnPrintClient)
END_MESSAGE_MAP()

BOOL CDBDisplayWnd::Create(const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(nullptr, L"", WS_CHILD | WS_VISIBLE, rect, parent, id);
}

void CDBDisplayWnd::SetLevel(short levelDb)
{
    m_level = levelDb;
    if (GetSafeHwnd() != nullptr)
        Invalidate(FALSE);
}

int CDBDisplayWnd::LitLength(int width, int levelDb)
{
    if (width <= 0 || levelDb < kFloorDb)
        return 0;
    // 64-bit so a hostile level cannot overflow; a level above 0 dB stops at the end.
    const long long lit = static_cast<long long>(width) * (levelDb - kFloorDb) / -kFloorDb;
    return static_cast<int>(std::min<long long>(lit, width));
}

CDBDisplayWnd::Bands CDBDisplayWnd::BandsFor(int width, int levelDb)
{
    const int lit = LitLength(width, levelDb);
    Bands bands;
    bands.greenEnd = std::min(lit, width / 2);
    bands.yellowEnd = std::max(bands.greenEnd, std::min(lit, width * 5 / 6));
    bands.redEnd = std::max(bands.yellowEnd, std::min(lit, width));
    return bands;
}

void CDBDisplayWnd::Draw(CDC& dc, const CRect& rc, int levelDb)
{
    const Bands bands = BandsFor(rc.Width(), levelDb);
    const int x = rc.left;
    if (bands.greenEnd > 0)
        dc.FillSolidRect(CRect(x, rc.top, x + bands.greenEnd, rc.bottom), kGreen);
    if (bands.yellowEnd > bands.greenEnd)
        dc.FillSolidRect(CRect(x + bands.greenEnd, rc.top, x + bands.yellowEnd, rc.bottom), kYellow);
    if (bands.redEnd > bands.yellowEnd)
        dc.FillSolidRect(CRect(x + bands.yellowEnd, rc.top, x + bands.redEnd, rc.bottom), kRed);
    if (rc.right > x + bands.redEnd)
        dc.FillSolidRect(CRect(x + bands.redEnd, rc.top, rc.right, rc.bottom), kUnlit);
}

void CDBDisplayWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(client);
    Draw(dc, client, m_level);
}

BOOL CDBDisplayWnd::OnEraseBkgnd(CDC*)
{
    // The bar paints every pixel.
    return TRUE;
}

LRESULT CDBDisplayWnd::OnPrintClient(WPARAM wParam, LPARAM)
{
    CRect client;
    GetClientRect(client);
    Draw(*CDC::FromHandle(reinterpret_cast<HDC>(wParam)), client, m_level);
    return 0;
}
