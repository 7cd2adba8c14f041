// The style controls the font dialog and the caption editor share: the font, decoration and
// colour controls, their lists, and the values they edit. The two windows place some of them
// under different ids, so the ids come in a table.
#pragma once

#include <afxwin.h>
#include <commctrl.h>

#include "app/captions/CharTextStyle.h"

// A style as its controls edit it.
struct StyleValues {
    LOGFONTW font;
    int alignment = 0;
    BOOL outline = FALSE;
    int outlineWidth = 1;
    int opacity = 100;
    int stretch = 100;
    BOOL background = FALSE;
    int shadowMode = 0;
    int shadowX = 0;
    int shadowY = 0;
    COLORREF textColour = 0x000000;
    COLORREF outlineColour = 0x0000FF;
    COLORREF shadowColour = 0x7D7D7D;
    COLORREF backgroundColour = 0xFFFFFF;
    int filter = 1;
    // The style the values were last taken from: the fields no control edits come from it.
    CharTextStyle base;

    StyleValues();
    // A custom style (preset 0) of these values over the base.
    CharTextStyle ToStyle() const;
    // Takes every value of a stored style; the font is kept whole (fields no control shows
    // included) and its face name is cut to its field.
    void FromStyle(const CharTextStyle& style);
};

struct StyleControlIds {
    UINT face, size, bold, italic, underline, outline, outlineWidth, shadow;
    UINT shadowX, shadowY, shadowXSpin, shadowYSpin;
    UINT direction, alignment, stretch, filter;
    UINT textColour, outlineColour, shadowColour, backgroundColour;
    UINT background, opacity;
};

enum { kShadowOffsetMax = 5, kOpacityMax = 100 };

// The colour chooser behind the colour buttons (the standard colour dialog, fully open); tests
// put their own in. Returns the previous one.
typedef BOOL (*ColourChooserProc)(HWND owner, COLORREF* colour);
ColourChooserProc SetColourChooser(ColourChooserProc proc);

class CStyleControls {
public:
    CStyleControls(const StyleControlIds& ids, StyleValues& values);
    ~CStyleControls();
    CStyleControls(const CStyleControls&) = delete;
    CStyleControls& operator=(const CStyleControls&) = delete;

    // Fills every list, selects its first entry and makes the colour brushes.
    void Fill(CWnd* dialog);
    // Shows the values in the controls.
    void Show(CWnd* dialog);
    // A control's notification: true when it changed a value (the caller repaints its sample).
    bool OnCommand(CWnd* dialog, UINT id, UINT code);
    // An offset spin moved: true when it was one of ours.
    bool OnSpin(CWnd* dialog, UINT id, int delta);
    // Reads the edits and the background check into the values, each held to its range.
    void ReadEdits(CWnd* dialog);
    // The brush of a colour button, or null for another control.
    HBRUSH ColourBrush(UINT id) const;
    // Paints a colour button: its colour, and its caption in a contrasting colour.
    bool DrawColourButton(CWnd* dialog, UINT id, const DRAWITEMSTRUCT* item) const;

    const StyleControlIds& Ids() const { return m_ids; }

private:
    COLORREF* ColourOf(UINT id);
    void RemakeBrush(UINT id);
    void SelectByData(CWnd* dialog, UINT id, DWORD_PTR data);
    DWORD_PTR SelectedData(CWnd* dialog, UINT id) const;

    StyleControlIds m_ids;
    StyleValues& m_values;
    HBRUSH m_brushes[4] = {};
};

namespace captions {
// The caption colour of a colour button of colour `c`: the colour plus 0x7D7D7D, kept to the
// 24 bits of a colour (the carry would turn it into a palette index).
COLORREF ColourButtonCaption(COLORREF c);
// Item data of a face list entry.
inline DWORD_PTR FaceData(BYTE pitchAndFamily, BYTE charset) { return pitchAndFamily | (DWORD_PTR(charset) << 16); }
} // namespace captions
