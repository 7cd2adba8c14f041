// The font and style dialog on a real window under Xvfb: the four presets byte for byte, a
// custom style given back unchanged, what each control writes into the style, the ranges of
// the opacity and the shadow offsets, and which controls a mode enables.
#include "app/captions/FontSetDlg.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/DrivenDialog.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

typedef CDrivenDialog<CFontSetDlg> DrivenFontSet;
typedef std::vector<BYTE> Bytes;

std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; *text; ++text)
        out += static_cast<char>(*text < 128 ? *text : '?');
    return out;
}

// A stored style record written field by field at the offsets of the file format.
class Record {
public:
    Record() : m_bytes(136, 0) {}
    Record& U8(size_t at, BYTE v)
    {
        m_bytes[at] = v;
        return *this;
    }
    Record& U32(size_t at, DWORD v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = static_cast<BYTE>(v >> (8 * i));
        return *this;
    }
    Record& Face(const wchar_t* name) // LOGFONTW's face name field starts at 28
    {
        for (size_t i = 0; name[i]; ++i) {
            m_bytes[28 + 2 * i] = static_cast<BYTE>(name[i] & 0xFF);
            m_bytes[29 + 2 * i] = static_cast<BYTE>(name[i] >> 8);
        }
        return *this;
    }
    const Bytes& bytes() const { return m_bytes; }

private:
    Bytes m_bytes;
};

Bytes BytesOf(const CharTextStyle& s)
{
    Bytes b(136);
    s.ToBytes(b.data());
    return b;
}

CharTextStyle StyleOf(const Bytes& b)
{
    CharTextStyle s;
    s.FromBytes(b.data());
    return s;
}

void Choose(CWnd& d, UINT id, DWORD_PTR data)
{
    HWND list = ::GetDlgItem(d.m_hWnd, id);
    const LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (static_cast<DWORD_PTR>(::SendMessageW(list, CB_GETITEMDATA, i, 0)) == data) {
            ::SendMessageW(list, CB_SETCURSEL, i, 0);
            d.SendMessage(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            return;
        }
    ADD_FAILURE() << "no entry " << data << " in list " << id;
}

void Click(DrivenFontSet& d, UINT id)
{
    ::SendMessageW(::GetDlgItem(d.m_hWnd, id), BM_CLICK, 0, 0);
}

void Spin(DrivenFontSet& d, UINT id, int delta)
{
    NMUPDOWN n = {};
    n.hdr.hwndFrom = ::GetDlgItem(d.m_hWnd, id);
    n.hdr.idFrom = id;
    n.hdr.code = UDN_DELTAPOS;
    n.iDelta = delta;
    d.SendMessage(WM_NOTIFY, id, reinterpret_cast<LPARAM>(&n));
}

// A custom style with every field the dialog shows set away from its defaults.
Bytes CustomRecord()
{
    return Record()
        .U32(0, 36)          // height
        .U32(16, 700)        // weight: bold
        .U8(20, 1)           // italic
        .U8(23, 134)         // charset
        .U8(27, 0x31)        // pitch and family
        .Face(L"Tahoma")
        .U32(92, 2)          // right
        .U8(96, 2)           // outline width
        .U8(97, 1)           // background shown
        .U8(98, 80)          // opacity
        .U8(99, 150)         // stretch byte
        .U32(100, 2)         // extruded shadow
        .U32(104, 0x00020003) // shadow (3, 2)
        .U32(108, 150)       // stretch
        .U32(112, 0x123456)
        .U32(116, 0x654321)
        .U32(120, 0x00FF00)
        .U32(124, 0x0A0B0C)
        .U8(132, 2)          // linear filter
        .bytes();
}

} // namespace

TEST(FontSetDlgTest, PresetsAreTheirTableWhateverTheCustomControlsHold)
{
    struct Case {
        int preset;
        Bytes expected;
    };
    auto common = [](int preset, const wchar_t* face) {
        return Record().U32(0, 24).Face(face).U32(92, 1).U8(99, 100).U32(108, 100).U8(132, 2).U32(128, DWORD(preset));
    };
    const Case cases[] = {
        {1, common(1, L"宋体").U32(100, 3).U32(104, 0x00050005).U8(97, 0).U8(98, 0).U32(112, 0x000000)
                .U32(124, 0xFFFFFF).U32(116, 0x7D7D7D).bytes()},
        {2, common(2, L"宋体").U32(104, 0x00050005).U8(97, 1).U8(98, 100).U32(112, 0x0000FF).U32(124, 0x7D7D7D)
                .U32(116, 0x7D7D0A).bytes()},
        {3, common(3, L"宋体").U8(97, 1).U8(98, 100).U32(112, 0xFFFFFF).U32(124, 0xFF0000).U32(116, 0x7D7D0A).bytes()},
        {4, common(4, L"黑体").U8(97, 1).U8(98, 100).U32(112, 0x000000).U32(124, 0xFFFFFF).U32(116, 0x7D7D0A).bytes()},
    };
    for (const Case& c : cases) {
        CharTextStyle given = StyleOf(CustomRecord());
        given.presetId = static_cast<DWORD>(c.preset);
        DrivenFontSet dlg(&given);
        bool presetChecked = false, listEnabled = false;
        int shown = -1;
        dlg.driver = [&](DrivenFontSet& d) {
            presetChecked = d.IsDlgButtonChecked(IDC_FONT_PRESET_MODE) == BST_CHECKED;
            listEnabled = d.Enabled(IDC_FONT_PRESET);
            shown = static_cast<int>(::SendDlgItemMessageW(d.m_hWnd, IDC_FONT_PRESET, CB_GETCURSEL, 0, 0));
            // Custom controls worked through their messages change nothing in preset mode.
            Choose(d, IDC_FONT_STRETCH, 200);
            Spin(d, IDC_FONT_SHADOW_X_SPIN, 1);
            d.Command(IDOK);
        };
        ASSERT_EQ(IDOK, dlg.DoModal()) << c.preset;
        EXPECT_TRUE(presetChecked) << c.preset;
        EXPECT_TRUE(listEnabled) << c.preset;
        EXPECT_EQ(c.preset - 1, shown);
        CharTextStyle out;
        dlg.GetStyle(&out);
        EXPECT_EQ(c.expected, BytesOf(out)) << "preset " << c.preset;
    }
}

TEST(FontSetDlgTest, ACustomStyleComesBackByteForByteAfterOk)
{
    const CharTextStyle given = StyleOf(CustomRecord());
    DrivenFontSet dlg(&given);
    bool customChecked = false;
    dlg.driver = [&](DrivenFontSet& d) {
        customChecked = d.IsDlgButtonChecked(IDC_FONT_CUSTOM_MODE) == BST_CHECKED;
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(customChecked);
    CharTextStyle out;
    dlg.GetStyle(&out);
    EXPECT_EQ(CustomRecord(), BytesOf(out));
}

TEST(FontSetDlgTest, APresetNumberOutsideThePresetsIsACustomStyleAndAFaceNameIsCut)
{
    for (DWORD preset : {5u, 9u, 255u, 0xFFFFFFFFu}) {
        Bytes stored = CustomRecord();
        for (int i = 0; i < 32; ++i) { // a face name filling its whole field, no terminator
            stored[28 + 2 * i] = 'A';
            stored[29 + 2 * i] = 0;
        }
        CharTextStyle given = StyleOf(stored);
        given.presetId = preset;
        DrivenFontSet dlg(&given);
        dlg.driver = [](DrivenFontSet& d) { d.Command(IDOK); };
        ASSERT_EQ(IDOK, dlg.DoModal());
        EXPECT_FALSE(dlg.IsPresetMode()) << preset;
        CharTextStyle out;
        dlg.GetStyle(&out);
        EXPECT_EQ(0u, out.presetId);
        EXPECT_EQ(std::wstring(31, L'A'), std::wstring(out.font.lfFaceName)) << preset;
        EXPECT_EQ(0, std::memcmp(&given.format, &out.format, 128 - 92)) << "fields after the font, preset " << preset;
    }
}

TEST(FontSetDlgTest, EachControlWritesItsFieldOfTheStyle)
{
    struct Case {
        const char* name;
        std::function<void(DrivenFontSet&)> work;
        std::function<void(const CharTextStyle&)> check;
    };
    const Case cases[] = {
        {"stretch 150", [](DrivenFontSet& d) { Choose(d, IDC_FONT_STRETCH, 150); },
         [](const CharTextStyle& s) {
             EXPECT_EQ(150u, s.stretch);
             EXPECT_EQ(150, s.stretchByte);
         }},
        {"vertical", [](DrivenFontSet& d) { Choose(d, IDC_FONT_DIRECTION, 2); },
         [](const CharTextStyle& s) {
             EXPECT_EQ(2700, s.font.lfEscapement);
             EXPECT_EQ(2700, s.font.lfOrientation);
             EXPECT_EQ(16, s.font.lfClipPrecision);
         }},
        {"vertical then horizontal",
         [](DrivenFontSet& d) {
             Choose(d, IDC_FONT_DIRECTION, 2);
             Choose(d, IDC_FONT_DIRECTION, 1);
         },
         [](const CharTextStyle& s) {
             EXPECT_EQ(0, s.font.lfEscapement);
             EXPECT_EQ(0, s.font.lfOrientation);
             EXPECT_EQ(0, s.font.lfClipPrecision);
         }},
        {"bold on and off", [](DrivenFontSet& d) { Click(d, IDC_FONT_BOLD); Click(d, IDC_FONT_BOLD); },
         [](const CharTextStyle& s) { EXPECT_EQ(400, s.font.lfWeight); }},
        {"bold", [](DrivenFontSet& d) { Click(d, IDC_FONT_BOLD); },
         [](const CharTextStyle& s) { EXPECT_EQ(700, s.font.lfWeight); }},
        {"outline 3", [](DrivenFontSet& d) { Click(d, IDC_FONT_OUTLINE); Choose(d, IDC_FONT_OUTLINE_WIDTH, 3); },
         [](const CharTextStyle& s) { EXPECT_EQ(3, s.outlineWidth); }},
        {"outline 3 switched off",
         [](DrivenFontSet& d) {
             Click(d, IDC_FONT_OUTLINE);
             Choose(d, IDC_FONT_OUTLINE_WIDTH, 3);
             Click(d, IDC_FONT_OUTLINE);
         },
         [](const CharTextStyle& s) { EXPECT_EQ(0, s.outlineWidth); }},
        {"shadow offsets spun past both ends",
         [](DrivenFontSet& d) {
             Spin(d, IDC_FONT_SHADOW_X_SPIN, -1);
             Spin(d, IDC_FONT_SHADOW_Y_SPIN, 4);
             Spin(d, IDC_FONT_SHADOW_Y_SPIN, 4);
         },
         [](const CharTextStyle& s) { EXPECT_EQ(0x00050000u, s.shadowOffset); }},
        {"offsets (3, 2)",
         [](DrivenFontSet& d) {
             Spin(d, IDC_FONT_SHADOW_X_SPIN, 3);
             Spin(d, IDC_FONT_SHADOW_Y_SPIN, 2);
         },
         [](const CharTextStyle& s) { EXPECT_EQ(0x00020003u, s.shadowOffset); }},
        {"alignment, shadow, filter",
         [](DrivenFontSet& d) {
             Choose(d, IDC_FONT_ALIGNMENT, 2);
             Choose(d, IDC_FONT_SHADOW, 3);
             Choose(d, IDC_FONT_FILTER, 2);
         },
         [](const CharTextStyle& s) {
             EXPECT_EQ(2u, s.format);
             EXPECT_EQ(3u, s.shadowMode);
             EXPECT_EQ(2, s.filter);
         }},
        {"size 40, background, opacity 100",
         [](DrivenFontSet& d) {
             Choose(d, IDC_FONT_SIZE, 40);
             Click(d, IDC_FONT_BACKGROUND);
             ::SetDlgItemTextW(d.m_hWnd, IDC_FONT_OPACITY, L"100");
         },
         [](const CharTextStyle& s) {
             EXPECT_EQ(40, s.font.lfHeight);
             EXPECT_EQ(1, s.background);
             EXPECT_EQ(100, s.opacity);
             EXPECT_EQ(0u, s.presetId);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrivenFontSet dlg(nullptr);
        dlg.driver = [&](DrivenFontSet& d) {
            Click(d, IDC_FONT_CUSTOM_MODE);
            c.work(d);
            d.Command(IDOK);
        };
        ASSERT_EQ(IDOK, dlg.DoModal());
        CharTextStyle out;
        dlg.GetStyle(&out);
        c.check(out);
    }
}

TEST(FontSetDlgTest, FaceChoiceTakesItsCharsetAndPitchAndClearsTheOldName)
{
    Bytes stored = CustomRecord();
    for (int i = 0; i < 31; ++i)
        stored[28 + 2 * i] = 'Z';
    const CharTextStyle given = StyleOf(stored);
    DrivenFontSet dlg(&given);
    std::wstring chosen;
    DWORD_PTR data = 0;
    dlg.driver = [&](DrivenFontSet& d) {
        HWND faces = ::GetDlgItem(d.m_hWnd, IDC_FONT_FACE);
        ASSERT_GT(::SendMessageW(faces, CB_GETCOUNT, 0, 0), 0);
        wchar_t name[LF_FACESIZE] = {};
        ::SendMessageW(faces, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(name));
        chosen = name;
        data = static_cast<DWORD_PTR>(::SendMessageW(faces, CB_GETITEMDATA, 0, 0));
        ::SendMessageW(faces, CB_SETCURSEL, 0, 0);
        d.Command(IDC_FONT_FACE, CBN_SELCHANGE);
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());
    CharTextStyle out;
    dlg.GetStyle(&out);
    EXPECT_EQ(chosen, std::wstring(out.font.lfFaceName));
    for (size_t i = chosen.size(); i < LF_FACESIZE; ++i)
        EXPECT_EQ(0, out.font.lfFaceName[i]) << i;
    EXPECT_EQ(BYTE(data >> 16), out.font.lfCharSet);
    EXPECT_EQ(BYTE(data & 0xFF), out.font.lfPitchAndFamily);
}

TEST(FontSetDlgTest, OpacityOutside0To100IsRefusedOnOk)
{
    struct Case {
        const wchar_t* typed;
        bool accepted;
    };
    const Case cases[] = {{L"300", false}, {L"101", false}, {L"-1", false}, {L"0", true}, {L"100", true}};
    for (const Case& c : cases) {
        CDialogSeams seams;
        DrivenFontSet dlg(nullptr);
        bool open = false;
        dlg.driver = [&](DrivenFontSet& d) {
            Click(d, IDC_FONT_CUSTOM_MODE);
            ::SetDlgItemTextW(d.m_hWnd, IDC_FONT_OPACITY, c.typed);
            d.Command(IDOK);
            open = d.IsOpen();
        };
        const INT_PTR result = dlg.DoModal();
        EXPECT_EQ(!c.accepted, open) << Narrow(c.typed);
        EXPECT_EQ(c.accepted ? IDOK : IDCANCEL, result);
        EXPECT_EQ(c.accepted ? 0u : 1u, seams.boxes.size());
        CharTextStyle out;
        dlg.GetStyle(&out);
        EXPECT_LE(out.opacity, 100);
    }
}

TEST(FontSetDlgTest, ModesEnableThePresetListOrTheCustomControls)
{
    const UINT custom[] = {1069, 1070, 1071, 1072, 1073, 1074, 1075, 1076, 1077, 1091, 1094, 1079, 1093,
                           1095, 1085, 1086, 1087, 1078, 1088, 1089, 1081, 1082, 1083, 1084, 1100};
    DrivenFontSet dlg(nullptr);
    dlg.driver = [&](DrivenFontSet& d) {
        EXPECT_TRUE(d.Enabled(IDC_FONT_PRESET));
        for (UINT id : custom)
            EXPECT_FALSE(d.Enabled(id)) << id;
        Click(d, IDC_FONT_CUSTOM_MODE);
        EXPECT_FALSE(d.Enabled(IDC_FONT_PRESET));
        for (UINT id : custom)
            EXPECT_EQ(id != IDC_FONT_OUTLINE_WIDTH, d.Enabled(id)) << id;
        Click(d, IDC_FONT_OUTLINE);
        EXPECT_TRUE(d.Enabled(IDC_FONT_OUTLINE_WIDTH));
        Click(d, IDC_FONT_PRESET_MODE);
        EXPECT_FALSE(d.Enabled(IDC_FONT_OUTLINE_WIDTH));
        d.Command(IDCANCEL);
    };
    dlg.DoModal();
}

TEST(FontSetDlgTest, ColourButtonsTakeTheChosenColourAndTheScreenshotShowsTheSample)
{
    static COLORREF next = 0x3050F0;
    const ColourChooserProc previous = SetColourChooser([](HWND, COLORREF* c) {
        *c = next;
        return TRUE;
    });
    const CharTextStyle given = StyleOf(CustomRecord());
    DrivenFontSet dlg(&given);
    Pixels shot;
    dlg.driver = [&](DrivenFontSet& d) {
        Click(d, IDC_FONT_TEXT_COLOUR);
        ::UpdateWindow(d.m_hWnd);
        shot = CaptureScreen(d.m_hWnd);
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());
    SetColourChooser(previous);
    CharTextStyle out;
    dlg.GetStyle(&out);
    EXPECT_EQ(next, out.textColour);
    ASSERT_GT(shot.width, 0);
    EXPECT_TRUE(SavePng(shot, L"font_set_dialog.png"));
    // The text colour button is painted in its new colour.
    int hits = 0;
    for (COLORREF c : shot.rgb)
        hits += c == next;
    EXPECT_GT(hits, 100);
}
