// CPoint, CSize and CRect: the framework's value types over POINT, SIZE and RECT, usable
// wherever the Windows structures are expected.
#pragma once

#include <windows.h>

class CSize;
class CRect;

class CPoint : public tagPOINT {
public:
    CPoint() { x = 0; y = 0; }
    CPoint(int initX, int initY) { x = initX; y = initY; }
    CPoint(POINT pt) { x = pt.x; y = pt.y; }
    CPoint(SIZE size) { x = size.cx; y = size.cy; }
    explicit CPoint(LPARAM packed)
    {
        x = static_cast<short>(LOWORD(packed));
        y = static_cast<short>(HIWORD(packed));
    }

    void Offset(int dx, int dy) { x += dx; y += dy; }
    void Offset(POINT pt) { Offset(pt.x, pt.y); }
    void SetPoint(int newX, int newY) { x = newX; y = newY; }
    bool operator==(POINT pt) const { return x == pt.x && y == pt.y; }
    bool operator!=(POINT pt) const { return !(*this == pt); }
    CPoint& operator+=(POINT pt) { x += pt.x; y += pt.y; return *this; }
    CPoint& operator-=(POINT pt) { x -= pt.x; y -= pt.y; return *this; }
    CPoint operator+(POINT pt) const { return CPoint(x + pt.x, y + pt.y); }
    CPoint operator-(POINT pt) const { return CPoint(x - pt.x, y - pt.y); }
    CPoint operator-() const { return CPoint(-x, -y); }
};

class CSize : public tagSIZE {
public:
    CSize() { cx = 0; cy = 0; }
    CSize(int initCX, int initCY) { cx = initCX; cy = initCY; }
    CSize(SIZE size) { cx = size.cx; cy = size.cy; }
    CSize(POINT pt) { cx = pt.x; cy = pt.y; }

    void SetSize(int newCX, int newCY) { cx = newCX; cy = newCY; }
    bool operator==(SIZE size) const { return cx == size.cx && cy == size.cy; }
    bool operator!=(SIZE size) const { return !(*this == size); }
    CSize operator+(SIZE size) const { return CSize(cx + size.cx, cy + size.cy); }
    CSize operator-(SIZE size) const { return CSize(cx - size.cx, cy - size.cy); }
};

class CRect : public tagRECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& rc) { CopyRect(&rc); }
    CRect(LPCRECT rc) { CopyRect(rc); }
    CRect(POINT pt, SIZE size) { left = pt.x; top = pt.y; right = pt.x + size.cx; bottom = pt.y + size.cy; }
    CRect(POINT topLeft, POINT bottomRight)
    {
        left = topLeft.x; top = topLeft.y; right = bottomRight.x; bottom = bottomRight.y;
    }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }

    bool IsRectEmpty() const { return left >= right || top >= bottom; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(POINT pt) const { return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom; }
    void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    void SetRectEmpty() { left = top = right = bottom = 0; }
    void CopyRect(LPCRECT rc)
    {
        if (rc) { left = rc->left; top = rc->top; right = rc->right; bottom = rc->bottom; }
        else SetRectEmpty();
    }
    bool EqualRect(LPCRECT rc) const
    {
        return rc && left == rc->left && top == rc->top && right == rc->right && bottom == rc->bottom;
    }
    void InflateRect(int dx, int dy) { left -= dx; top -= dy; right += dx; bottom += dy; }
    void InflateRect(SIZE size) { InflateRect(size.cx, size.cy); }
    void InflateRect(int l, int t, int r, int b) { left -= l; top -= t; right += r; bottom += b; }
    void InflateRect(LPCRECT rc) { InflateRect(rc->left, rc->top, rc->right, rc->bottom); }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void DeflateRect(SIZE size) { InflateRect(-size.cx, -size.cy); }
    void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
    void DeflateRect(LPCRECT rc) { InflateRect(-rc->left, -rc->top, -rc->right, -rc->bottom); }
    void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    void OffsetRect(POINT pt) { OffsetRect(pt.x, pt.y); }
    void OffsetRect(SIZE size) { OffsetRect(size.cx, size.cy); }
    void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
    void MoveToX(int x) { OffsetRect(x - left, 0); }
    void MoveToY(int y) { OffsetRect(0, y - top); }
    void NormalizeRect()
    {
        if (left > right) { LONG t = left; left = right; right = t; }
        if (top > bottom) { LONG t = top; top = bottom; bottom = t; }
    }
    bool IntersectRect(LPCRECT a, LPCRECT b) { return ::IntersectRect(this, a, b) != FALSE; }
    bool UnionRect(LPCRECT a, LPCRECT b) { return ::UnionRect(this, a, b) != FALSE; }

    bool operator==(const RECT& rc) const { return EqualRect(&rc); }
    bool operator!=(const RECT& rc) const { return !EqualRect(&rc); }
    CRect& operator=(const RECT& rc) { CopyRect(&rc); return *this; }
};
