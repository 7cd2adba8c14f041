// The one text style of the caption side: the font and every decoration of a caption text
// object, of the subtitle line and of the font dialog's sample. The record is copied by value
// and stored verbatim (136 bytes) at the head of every caption object's data and in the
// project file, so its layout below is a file format.
#pragma once

#include <windows.h>

#include <cstddef>

struct CharTextStyle {
    LOGFONTW font;          // 0: created as is for every measure and draw
    DWORD format;           // 92: DrawText alignment, 0 left, 1 centre, 2 right
    BYTE outlineWidth;      // 96: pixels, 0 = none
    BYTE background;        // 97: 1 = fill the text rectangle with backgroundColour
    BYTE opacity;           // 98: layer opacity, percent
    BYTE stretchByte;       // 99: copy of stretch
    DWORD shadowMode;       // 100: 0 none, 1 offset copy, 2 extruded, 3 soft; low byte read
    DWORD shadowOffset;     // 104: low 16 bits x, high 16 bits y, pixels
    DWORD stretch;          // 108: percent; kept and compared, nothing draws with it
    COLORREF textColour;    // 112
    COLORREF shadowColour;  // 116
    COLORREF outlineColour; // 120
    COLORREF backgroundColour; // 124: also the colour key of a caption layer without background
    DWORD presetId;         // 128: 0 custom, 1..4 a preset of the font dialog
    BYTE filter;            // 132: layer texture filter, 1 point, 2 linear
    BYTE padding[3];        // 133: written back as found, never compared

    enum { kSize = 136, kShadowNone = 0, kShadowOffset = 1, kShadowExtruded = 2, kShadowSoft = 3 };
    // Extra format flags of the subtitle line and the font dialog's sample.
    enum { kLineFormat = DT_VCENTER | DT_SINGLELINE };

    // Zeroes the record, then sets the defaults; the face name is string 168 of the
    // current resource module.
    void SetDefault();
    // The size of `text` drawn with this style, as a rectangle from (0, 0).
    void Measure(HDC dc, const wchar_t* text, RECT* out, bool singleLine) const;
    // Draws `text` into `rect`: background, shadow, outline, then the text.
    void DrawText(HDC dc, const wchar_t* text, const RECT& rect, UINT extraFormat, bool forceBackground) const;
    // 0 when equal in every field but the padding.
    int Compare(const CharTextStyle& other) const;

    bool IsVertical() const { return font.lfEscapement != 0; }
    int ShadowX() const { return int(shadowOffset & 0xFFFF); }
    int ShadowY() const { return int(shadowOffset >> 16); }

    // The stored image: exactly the record's bytes (the record holds no pointer).
    void ToBytes(BYTE out[kSize]) const;
    void FromBytes(const BYTE in[kSize]);
};

static_assert(sizeof(LOGFONTW) == 92, "LOGFONTW is 92 bytes on every Windows target");
static_assert(sizeof(CharTextStyle) == CharTextStyle::kSize, "CharTextStyle is a 136-byte file record");
static_assert(offsetof(CharTextStyle, format) == 92 && offsetof(CharTextStyle, outlineWidth) == 96 &&
                  offsetof(CharTextStyle, background) == 97 && offsetof(CharTextStyle, opacity) == 98 &&
                  offsetof(CharTextStyle, stretchByte) == 99 && offsetof(CharTextStyle, shadowMode) == 100 &&
                  offsetof(CharTextStyle, shadowOffset) == 104 && offsetof(CharTextStyle, stretch) == 108 &&
                  offsetof(CharTextStyle, textColour) == 112 && offsetof(CharTextStyle, shadowColour) == 116 &&
                  offsetof(CharTextStyle, outlineColour) == 120 && offsetof(CharTextStyle, backgroundColour) == 124 &&
                  offsetof(CharTextStyle, presetId) == 128 && offsetof(CharTextStyle, filter) == 132 &&
                  offsetof(CharTextStyle, padding) == 133,
              "CharTextStyle field offsets are the stored layout");
