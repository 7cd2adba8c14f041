#include "app/captions/CharTextStyle.h"

#include "app/captions/CaptionStrings.h"

#include <algorithm>
#include <cstring>

namespace {

// Selects the style's font and keeps what the caller's device context had, putting it back
// at the end (font, text and background colours, background mode).
class DcState {
public:
    DcState(HDC dc, const LOGFONTW& lf)
        : dc_(dc), font_(CreateFontIndirectW(&lf)), oldText_(GetTextColor(dc)), oldBk_(GetBkColor(dc)),
          oldMode_(GetBkMode(dc))
    {
        if (font_) oldFont_ = SelectObject(dc_, font_);
    }
    ~DcState()
    {
        if (oldFont_) SelectObject(dc_, oldFont_);
        if (font_) DeleteObject(font_);
        SetTextColor(dc_, oldText_);
        SetBkColor(dc_, oldBk_);
        SetBkMode(dc_, oldMode_);
    }
    DcState(const DcState&) = delete;
    DcState& operator=(const DcState&) = delete;

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ oldFont_ = nullptr;
    COLORREF oldText_, oldBk_;
    int oldMode_;
};

void DrawAt(HDC dc, const wchar_t* text, const RECT& rect, int dx, int dy, UINT format)
{
    RECT r = rect;
    OffsetRect(&r, dx, dy);
    ::DrawTextW(dc, text, -1, &r, format);
}

} // namespace

void CharTextStyle::SetDefault()
{
    std::memset(this, 0, sizeof *this);
    font.lfHeight = 30;
    font.lfCharSet = 134; // GB2312
    font.lfPitchAndFamily = 2;
    const std::wstring face = captions::LoadCaptionString(captions::kStringDefaultFace);
    face.copy(font.lfFaceName, std::min<size_t>(face.size(), LF_FACESIZE - 1));
    format = DT_CENTER;
    outlineWidth = 1;
    opacity = 100;
    stretchByte = 100;
    textColour = 0xFFFFFF;
    shadowColour = 0x7D7D7D;
    filter = 1;
}

void CharTextStyle::Measure(HDC dc, const wchar_t* text, RECT* out, bool singleLine) const
{
    if (!out) return;
    SetRectEmpty(out);
    if (!dc || !text) return;
    {
        DcState state(dc, font);
        ::DrawTextW(dc, text, -1, out, DT_CALCRECT | (singleLine ? DT_SINGLELINE : 0));
    }
    const BYTE mode = BYTE(shadowMode & 0xFF);
    if (mode != kShadowNone && shadowOffset != 0) {
        if (mode == kShadowOffset || mode == kShadowExtruded) {
            out->right += ShadowX();
            out->bottom += ShadowY();
        } else if (mode == kShadowSoft) {
            out->right += ShadowX() + 1;
            out->bottom += ShadowY();
        }
    }
    if (outlineWidth) {
        out->right += 2 * outlineWidth;
        out->bottom += 2 * outlineWidth;
    }
}

void CharTextStyle::DrawText(HDC dc, const wchar_t* text, const RECT& rect, UINT extraFormat, bool forceBackground) const
{
    if (!dc || !text) return;
    DcState state(dc, font);
    const UINT fmt = format | extraFormat;

    if (background == 1 || forceBackground) {
        HBRUSH brush = CreateSolidBrush(backgroundColour);
        if (brush) {
            FillRect(dc, &rect, brush);
            DeleteObject(brush);
        }
    }
    SetTextColor(dc, textColour);
    SetBkColor(dc, backgroundColour);

    // The outline surrounds the text on all four sides: copies at every offset of 0..2w with
    // the text itself at (w, w). The shadow falls from the text where it ends up, so an outline
    // does not swallow a shadow of w pixels or less.
    const int w = outlineWidth;
    const BYTE mode = BYTE(shadowMode & 0xFF);
    if (mode != kShadowNone && shadowOffset != 0) {
        SetBkMode(dc, TRANSPARENT);
        const int x = ShadowX(), y = ShadowY();
        if (mode == kShadowOffset) {
            SetTextColor(dc, shadowColour);
            DrawAt(dc, text, rect, w + x, w + y, fmt);
        } else if (mode == kShadowExtruded) {
            SetTextColor(dc, shadowColour);
            // Whole-pixel steps in integers: a floating-point ratio lands its last copy on
            // the offset only by the luck of the rounding (3 x (1 / 3.0) truncates to 0 in
            // the x87 precision of the 32-bit build, or whenever the rounding mode differs).
            const int g = std::max(x, y), h = std::min(x, y);
            for (int i = 0; i <= g; ++i) {
                const int step = i * h / g;
                if (x > y) DrawAt(dc, text, rect, w + i, w + step, fmt);
                else DrawAt(dc, text, rect, w + step, w + i, fmt);
            }
        } else if (mode == kShadowSoft) {
            const COLORREF c = shadowColour;
            SetTextColor(dc, RGB((GetRValue(c) + 255) / 2, (GetGValue(c) + 255) / 2, (GetBValue(c) + 255) / 2));
            DrawAt(dc, text, rect, w + x, w + y, fmt);
            DrawAt(dc, text, rect, w + x - 1, w + y, fmt);
            DrawAt(dc, text, rect, w + x + 1, w + y, fmt);
        }
        SetTextColor(dc, textColour);
    }
    if (w) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, outlineColour);
        for (int j = 0; j <= 2 * w; ++j)
            for (int k = 0; k <= 2 * w; ++k)
                if (j != w || k != w) DrawAt(dc, text, rect, j, k, fmt);
        SetTextColor(dc, textColour);
    }
    DrawAt(dc, text, rect, w, w, fmt);
}

int CharTextStyle::Compare(const CharTextStyle& o) const
{
    if (std::memcmp(&font, &o.font, sizeof font) != 0) return 1;
    return format != o.format || outlineWidth != o.outlineWidth || background != o.background ||
                   opacity != o.opacity || stretchByte != o.stretchByte || shadowMode != o.shadowMode ||
                   shadowOffset != o.shadowOffset || stretch != o.stretch || textColour != o.textColour ||
                   shadowColour != o.shadowColour || outlineColour != o.outlineColour ||
                   backgroundColour != o.backgroundColour || presetId != o.presetId || filter != o.filter
               ? 1
               : 0;
}

void CharTextStyle::ToBytes(BYTE out[kSize]) const { std::memcpy(out, this, kSize); }

void CharTextStyle::FromBytes(const BYTE in[kSize]) { std::memcpy(this, in, kSize); }
