// GDI wrappers: owning objects for pens, brushes, fonts, bitmaps and regions, and device
// contexts with the temporary wrappers that FromHandle and SelectObject hand out.
#include "AfxState.h"

using afx_detail::State;

namespace {

template <typename T, typename H>
T* TempGdi(H handle)
{
    if (handle == nullptr)
        return nullptr;
    auto& map = State().tempGdi;
    auto it = map.find(handle);
    if (it != map.end()) {
        // One handle may be asked for as different wrapper kinds; same layout, same handle.
        return static_cast<T*>(it->second.get());
    }
    auto obj = std::make_unique<T>();
    obj->m_hObject = handle;
    T* raw = obj.get();
    map.emplace(handle, std::move(obj));
    return raw;
}

} // namespace

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (hObject == nullptr)
        return FALSE;
    DeleteObject();
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    if (m_hObject == nullptr)
        return FALSE;
    HGDIOBJ h = Detach();
    return ::DeleteObject(h);
}

CGdiObject* PASCAL CGdiObject::FromHandle(HGDIOBJ h) { return TempGdi<CGdiObject>(h); }
CPen* PASCAL CPen::FromHandle(HPEN h) { return TempGdi<CPen>(h); }
CBrush* PASCAL CBrush::FromHandle(HBRUSH h) { return TempGdi<CBrush>(h); }
CFont* PASCAL CFont::FromHandle(HFONT h) { return TempGdi<CFont>(h); }
CBitmap* PASCAL CBitmap::FromHandle(HBITMAP h) { return TempGdi<CBitmap>(h); }
CRgn* PASCAL CRgn::FromHandle(HRGN h) { return TempGdi<CRgn>(h); }

BOOL CFont::CreatePointFont(int pointSize, LPCWSTR faceName, CDC* pDC)
{
    LOGFONTW lf = {};
    HDC hdc = pDC ? pDC->m_hDC : ::GetDC(nullptr);
    // Tenths of a point to pixels of the device.
    lf.lfHeight = -::MulDiv(pointSize, ::GetDeviceCaps(hdc, LOGPIXELSY), 720);
    if (pDC == nullptr)
        ::ReleaseDC(nullptr, hdc);
    lf.lfCharSet = DEFAULT_CHARSET;
    if (faceName)
        ::lstrcpynW(lf.lfFaceName, faceName, LF_FACESIZE);
    return CreateFontIndirect(&lf);
}

BOOL CBitmap::LoadBitmap(UINT nIDResource)
{
    LPCWSTR name = MAKEINTRESOURCEW(nIDResource);
    return Attach(::LoadBitmapW(AfxFindResourceHandle(name, RT_BITMAP), name));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(pDC->m_hDC, width, height));
}

CSize CBitmap::GetBitmapDimension() const
{
    BITMAP bm = {};
    GetBitmap(&bm);
    return CSize(bm.bmWidth, bm.bmHeight);
}

// ---------------------------------------------------------------------------------------------

CDC::~CDC()
{
    if (m_hDC != nullptr)
        ::DeleteDC(Detach());
}

BOOL CDC::Attach(HDC hDC)
{
    if (hDC == nullptr || m_hDC != nullptr)
        return FALSE;
    m_hDC = hDC;
    m_hAttribDC = hDC;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC h = m_hDC;
    m_hDC = nullptr;
    m_hAttribDC = nullptr;
    return h;
}

BOOL CDC::DeleteDC()
{
    if (m_hDC == nullptr)
        return FALSE;
    return ::DeleteDC(Detach());
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    return Attach(::CreateCompatibleDC(pDC->GetSafeHdc()));
}

CDC* PASCAL CDC::FromHandle(HDC hDC)
{
    if (hDC == nullptr)
        return nullptr;
    auto& map = State().tempDCs;
    auto it = map.find(hDC);
    if (it != map.end())
        return it->second.get();
    auto dc = std::make_unique<CDC>();
    dc->m_hDC = hDC;
    dc->m_hAttribDC = hDC;
    CDC* raw = dc.get();
    map.emplace(hDC, std::move(dc));
    return raw;
}

CGdiObject* CDC::SelectObject(CGdiObject* obj)
{
    return CGdiObject::FromHandle(::SelectObject(m_hDC, obj->GetSafeHandle()));
}

CPen* CDC::SelectObject(CPen* pen)
{
    return CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pen->GetSafeHandle())));
}

CBrush* CDC::SelectObject(CBrush* brush)
{
    return CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, brush->GetSafeHandle())));
}

CFont* CDC::SelectObject(CFont* font)
{
    return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, font->GetSafeHandle())));
}

CBitmap* CDC::SelectObject(CBitmap* bitmap)
{
    return CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, bitmap->GetSafeHandle())));
}

CGdiObject* CDC::SelectStockObject(int index)
{
    return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(index)));
}

BOOL CDC::TransparentBlt(int x, int y, int w, int h, CDC* src, int xSrc, int ySrc, int wSrc, int hSrc,
                         UINT colorKey)
{
    return ::TransparentBlt(m_hDC, x, y, w, h, src->GetSafeHdc(), xSrc, ySrc, wSrc, hSrc, colorKey);
}

void CDC::FillSolidRect(LPCRECT rc, COLORREF color)
{
    COLORREF old = ::SetBkColor(m_hDC, color);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rc, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

void CDC::FillSolidRect(int x, int y, int w, int h, COLORREF color)
{
    RECT rc = { x, y, x + w, y + h };
    FillSolidRect(&rc, color);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT old = {};
    ::MoveToEx(m_hDC, x, y, &old);
    return CPoint(old);
}

CSize CDC::GetTextExtent(LPCWSTR text, int count) const
{
    SIZE size = {};
    ::GetTextExtentPoint32W(m_hDC, text, count, &size);
    return CSize(size);
}

CBitmap* CDC::GetCurrentBitmap() const
{
    return CBitmap::FromHandle(static_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}

CFont* CDC::GetCurrentFont() const
{
    return CFont::FromHandle(static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT)));
}

void CDC::DrawDragRect(LPCRECT rc, SIZE size, LPCRECT rcLast, SIZE sizeLast)
{
    // A halftone frame drawn with XOR: drawing the same frame again removes it.
    static const WORD pattern[8] = { 0x5555, 0xaaaa, 0x5555, 0xaaaa, 0x5555, 0xaaaa, 0x5555, 0xaaaa };
    HBITMAP bits = ::CreateBitmap(8, 8, 1, 1, pattern);
    HBRUSH halftone = ::CreatePatternBrush(bits);
    HGDIOBJ old = ::SelectObject(m_hDC, halftone);
    auto frame = [this](LPCRECT r, SIZE s) {
        ::PatBlt(m_hDC, r->left, r->top, r->right - r->left, s.cy, PATINVERT);
        ::PatBlt(m_hDC, r->left, r->bottom - s.cy, r->right - r->left, s.cy, PATINVERT);
        ::PatBlt(m_hDC, r->left, r->top + s.cy, s.cx, r->bottom - r->top - 2 * s.cy, PATINVERT);
        ::PatBlt(m_hDC, r->right - s.cx, r->top + s.cy, s.cx, r->bottom - r->top - 2 * s.cy, PATINVERT);
    };
    if (rcLast != nullptr)
        frame(rcLast, sizeLast);
    if (rc != nullptr)
        frame(rc, size);
    ::SelectObject(m_hDC, old);
    ::DeleteObject(halftone);
    ::DeleteObject(bits);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps(), m_hWnd(pWnd->m_hWnd)
{
    Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC()
{
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr)
{
    Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC()
{
    ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr)
{
    Attach(::GetWindowDC(m_hWnd));
}

CWindowDC::~CWindowDC()
{
    ::ReleaseDC(m_hWnd, Detach());
}
