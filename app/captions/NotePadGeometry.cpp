#include "app/captions/NotePadGeometry.h"

#include <algorithm>

namespace captions {

RECT HandleRect(const RECT& selection, int handle)
{
    RECT r = selection;
    ::InflateRect(&r, kFrameBand, kFrameBand);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    static const int kX[8] = {0, 1, 2, 2, 2, 1, 0, 0}; // 0 left, 1 middle, 2 right
    static const int kY[8] = {0, 0, 0, 1, 2, 2, 2, 1};
    if (handle < 0 || handle > 7)
        return RECT{0, 0, 0, 0};
    const int dx = kX[handle] == 0 ? 0 : kX[handle] == 1 ? w / 2 - 2 : w - kHandleSize;
    const int dy = kY[handle] == 0 ? 0 : kY[handle] == 1 ? h / 2 - 2 : h - kHandleSize;
    const RECT out = {r.left + dx, r.top + dy, r.left + dx + kHandleSize, r.top + dy + kHandleSize};
    return out;
}

int HandleAt(const RECT& selection, POINT point)
{
    if (::IsRectEmpty(&selection))
        return -1;
    for (int i = 0; i < 8; ++i) {
        const RECT h = HandleRect(selection, i);
        if (::PtInRect(&h, point))
            return i;
    }
    return -1;
}

LPCWSTR HandleCursor(int handle)
{
    static const LPCWSTR kCursors[8] = {IDC_SIZENWSE, IDC_SIZENS, IDC_SIZENESW, IDC_SIZEWE,
                                        IDC_SIZENWSE, IDC_SIZENS, IDC_SIZENESW, IDC_SIZEWE};
    return handle >= 0 && handle < 8 ? kCursors[handle] : IDC_ARROW;
}

bool OnFrameBand(const RECT& selection, POINT point)
{
    if (::IsRectEmpty(&selection))
        return false;
    RECT outer = selection;
    ::InflateRect(&outer, kFrameBand, kFrameBand);
    return ::PtInRect(&outer, point) && !::PtInRect(&selection, point);
}

RECT ResizedRect(const RECT& selection, int handle, POINT p)
{
    RECT r = selection;
    switch (handle) {
    case 0: r.left = p.x; r.top = p.y; break;
    case 1: r.top = p.y; break;
    case 2: r.right = p.x; r.top = p.y; break;
    case 3: r.right = p.x; break;
    case 4: r.right = p.x; r.bottom = p.y; break;
    case 5: r.bottom = p.y; break;
    case 6: r.left = p.x; r.bottom = p.y; break;
    case 7: r.left = p.x; break;
    default: break;
    }
    const RECT out = {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                      std::max(r.top, r.bottom)};
    return out;
}

bool ResizeAccepted(const RECT& rect)
{
    return rect.right - rect.left > kSmallestResize && rect.bottom - rect.top > kSmallestResize;
}

bool MakesTextBox(const RECT& band)
{
    return band.right - band.left >= kSmallestTextBox && band.bottom - band.top >= kSmallestTextBox;
}

RECT Span(POINT a, POINT b)
{
    const RECT r = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    return r;
}

} // namespace captions
