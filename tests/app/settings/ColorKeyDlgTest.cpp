// The colour adjustment and keying dialog on a real window, editing the records of a real
// video mixer whose channels are fed through Wine's VMR-9: a slider's move shows in the next
// program frame read back from the engine (brightness, a hue key against another channel, a
// picture background inside a key range), and each of the five channels keeps its own record.
#include "app/settings/ColorKeyDlg.h"

#include "app/engine/ChannelVideoSettings.h"
#include "tests/app/engine/VideoEngineFixture.h"
#include "tests/app/ui/ScreenshotPng.h"

#include <afxdlgs.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace {

using enginetest::ColourNear;

const D3DCOLOR kGrey = D3DCOLOR_XRGB(128, 128, 128);
const D3DCOLOR kGreen = D3DCOLOR_XRGB(0, 200, 0);
const D3DCOLOR kBlue = D3DCOLOR_XRGB(0, 0, 200);

CString TextOf(HWND hwnd)
{
    wchar_t text[MAX_PATH] = {};
    ::GetWindowTextW(hwnd, text, MAX_PATH);
    return text;
}

// An 8 x 8 picture of one colour, as a 24-bit BMP.
void WriteBmp(const std::wstring& path, BYTE r, BYTE g, BYTE b)
{
    const int side = 8;
    const DWORD pixelBytes = side * side * 3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + pixelBytes;
    info.biSize = sizeof info;
    info.biWidth = side;
    info.biHeight = side;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = pixelBytes;
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    for (int i = 0; i < side * side; ++i) {
        const char bgr[3] = { static_cast<char>(b), static_cast<char>(g), static_cast<char>(r) };
        out.write(bgr, 3);
    }
}

class ColorKeyTest : public enginetest::VideoEngineTest {
protected:
    void TearDown() override
    {
        // The dialog edits the mixer's records: it goes first.
        if (CColorKeyDlg::Current() != nullptr)
            CColorKeyDlg::Current()->DestroyWindow();
        EXPECT_EQ(CColorKeyDlg::Current(), nullptr);
        AfxSetFileDialogProc(AFX_FILEDIALOG_PROC());
        VideoEngineTest::TearDown();
    }

    // Output 64 x 48; input 0 and input 1 attached, input 0 on program.
    void MakeTwoChannels()
    {
        MakeMixer(64, 48);
        AttachInput(0, 32, 24);
        AttachInput(1, 32, 24);
        mixer_->SetListener(&listener_);
        ASSERT_EQ(mixer_->CutTo(0), S_OK);
    }

    HWND Item(UINT id) const { return ::GetDlgItem(dialog_->m_hWnd, static_cast<int>(id)); }
    int Position(UINT bar) const { return static_cast<int>(::SendMessageW(Item(bar), TBM_GETPOS, 0, 0)); }
    ChannelVideoSettings& Record(int channel) const { return *mixer_->GetChannelSettings(channel - 1); }

    void Slide(UINT bar, int position)
    {
        ::SendMessageW(Item(bar), TBM_SETPOS, TRUE, position);
        dialog_->SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, position), reinterpret_cast<LPARAM>(Item(bar)));
        dialog_->SendMessage(WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(Item(bar)));
    }
    void Click(UINT id)
    {
        const bool checked = ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
        ::SendMessageW(Item(id), BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
        dialog_->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    }
    void Choose(UINT list, const wchar_t* text)
    {
        ASSERT_GE(::SendMessageW(Item(list), CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)), 0)
            << "no entry " << static_cast<LPCWSTR>(CString(text));
        dialog_->SendMessage(WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(list)));
    }
    std::vector<std::wstring> Entries(UINT list) const
    {
        std::vector<std::wstring> entries;
        const int n = static_cast<int>(::SendMessageW(Item(list), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t text[16] = {};
            ::SendMessageW(Item(list), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            entries.push_back(text);
        }
        return entries;
    }

    // The channels present their next pictures (input 1 first: input 0 may key against it)
    // and the mixing clock makes the next program frame.
    std::vector<DWORD> NextProgramFrame(D3DCOLOR input0, D3DCOLOR input1 = kBlue)
    {
        PresentColour(1, input1, input1);
        PresentColour(0, input0, input0);
        mixer_->OnClockTick();
        return PopFramePixels();
    }
    DWORD NextProgramPixel(D3DCOLOR input0, D3DCOLOR input1 = kBlue)
    {
        std::vector<DWORD> pixels = NextProgramFrame(input0, input1);
        return pixels.empty() ? 0xDEADBEEF : PixelAt(pixels, width_ / 2, height_ / 2);
    }

    CColorKeyDlg* dialog_ = nullptr;
};

} // namespace

TEST(ColorKeyMapping, PositionsAndValuesOfTheSevenBars)
{
    using D = CColorKeyDlg;
    struct Case {
        D::Track track;
        float value;
        int position;
    } cases[] = {
        { D::kBrightness, 0.0f, 50 },  { D::kHue, 90.0f, 75 },         { D::kHue, -180.0f, 0 },
        { D::kContrast, 1.0f, 10 },    { D::kSaturation, 1.0f, 10 },   { D::kHueCenter, 0.33f, 33 },
        { D::kHueWidth, 0.1f, 20 },    { D::kMinSaturation, 0.2f, 20 }, { D::kBrightness, -0.98f, 1 },
        { D::kHueCenter, 0.53f, 53 },  { D::kHueCenter, 0.59f, 59 },
        // Stored values beyond a bar's scale show at its end.
        { D::kContrast, 20.0f, 100 },  { D::kBrightness, -3.0f, 0 },   { D::kHue, NAN, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(D::PositionFromValue(c.track, c.value), c.position) << c.track << " " << c.value;
    EXPECT_FLOAT_EQ(D::ValueFromPosition(D::kHue, 75), 90.0f);
    EXPECT_FLOAT_EQ(D::ValueFromPosition(D::kBrightness, 60), 0.2f);
    EXPECT_FLOAT_EQ(D::ValueFromPosition(D::kHueWidth, 20), 0.1f);
    EXPECT_FLOAT_EQ(D::ValueFromPosition(D::kContrast, 250), 10.0f);   // a position is clamped first
    // Every position comes back from the value it writes: the bars never creep.
    for (int t = 0; t < D::kTrackCount; ++t)
        for (int p = 0; p <= 100; ++p)
            ASSERT_EQ(D::PositionFromValue(D::Track(t), D::ValueFromPosition(D::Track(t), p)), p) << t << " " << p;

    EXPECT_STREQ(D::ChannelKeySource(3), L"CHANNEL:3");
    struct Source {
        const wchar_t* text;
        int channel;
    } sources[] = { { L"CHANNEL:4", 4 }, { L"CHANNEL:9", 0 }, { L"CHANNEL:x", 0 }, { L"C:\\back.bmp", 0 }, { L"", 0 } };
    for (const Source& s : sources)
        EXPECT_EQ(D::KeySourceChannel(s.text), s.channel) << s.text;
}

TEST_F(ColorKeyTest, BrightnessShowsInTheNextProgramFrame)
{
    MakeTwoChannels();
    dialog_ = CColorKeyDlg::Open(mixer_, nullptr);
    ASSERT_NE(dialog_, nullptr);
    EXPECT_STREQ(TextOf(dialog_->m_hWnd), L"抠像和颜色调整");
    EXPECT_EQ(CColorKeyDlg::Open(mixer_, nullptr), dialog_);   // one dialog at a time
    EXPECT_EQ(dialog_->GetChannel(), 1);
    EXPECT_EQ(Position(IDC_CK_BRIGHTNESS), 50);
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CK_BRIGHTNESS)));   // colour adjustment is off
    EXPECT_TRUE(ColourNear(NextProgramPixel(kGrey), 0x808080));

    Click(IDC_CK_COLORADJUST);
    EXPECT_EQ(Record(1).bColorAdjust, 1);
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_CK_BRIGHTNESS)));
    Slide(IDC_CK_BRIGHTNESS, 60);
    EXPECT_FLOAT_EQ(Record(1).fBrightness, 0.2f);
    EXPECT_STREQ(TextOf(Item(IDC_CK_BRIGHTNESS_TEXT)), L"0.20");
    EXPECT_TRUE(ColourNear(NextProgramPixel(kGrey), 0xB3B3B3));

    Slide(IDC_CK_SATURATION, 0);   // no saturation: green becomes its luma
    EXPECT_TRUE(ColourNear(NextProgramPixel(D3DCOLOR_XRGB(0, 255, 0)), 0xC9C9C9, 8));
    Click(IDC_CK_COLORADJUST);     // off: the picture is as it comes
    EXPECT_TRUE(ColourNear(NextProgramPixel(kGrey), 0x808080));
    EXPECT_FLOAT_EQ(Record(1).fBrightness, 0.2f);
}

TEST_F(ColorKeyTest, AHueKeyShowsAnotherChannelBehindTheKeyedColour)
{
    MakeTwoChannels();
    dialog_ = CColorKeyDlg::Open(mixer_, nullptr);
    ASSERT_NE(dialog_, nullptr);
    Click(IDC_CK_KEY);
    EXPECT_EQ(Record(1).bKey, 1);
    Choose(IDC_CK_BACKGROUND_CHANNEL, L"2");
    EXPECT_STREQ(Record(1).strKeySource, L"CHANNEL:2");
    EXPECT_EQ(Position(IDC_CK_HUECENTER), 33);   // green
    EXPECT_TRUE(ColourNear(NextProgramPixel(kGreen), kBlue & 0xFFFFFF));

    Slide(IDC_CK_HUECENTER, 0);   // red is keyed now, green is not
    EXPECT_FLOAT_EQ(Record(1).fHueCenter, 0.0f);
    EXPECT_TRUE(ColourNear(NextProgramPixel(kGreen), kGreen & 0xFFFFFF));
    Slide(IDC_CK_HUECENTER, 33);
    // A pale green (saturation 0.375) is keyed above the minimum saturation only.
    const D3DCOLOR paleGreen = D3DCOLOR_XRGB(100, 160, 100);
    EXPECT_TRUE(ColourNear(NextProgramPixel(paleGreen), kBlue & 0xFFFFFF));
    Slide(IDC_CK_MINSATURATION, 50);
    EXPECT_FLOAT_EQ(Record(1).fMinSaturation, 0.5f);
    EXPECT_TRUE(ColourNear(NextProgramPixel(paleGreen), paleGreen & 0xFFFFFF));
}

TEST_F(ColorKeyTest, APictureFillsTheKeyInsideItsRange)
{
    MakeTwoChannels();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring picture = std::wstring(temp) + L"rvx_colorkey_back_" + std::to_wstring(GetCurrentProcessId()) + L".bmp";
    WriteBmp(picture, 255, 0, 0);
    std::vector<std::wstring> asked;
    AfxSetFileDialogProc([&](BOOL open, OPENFILENAMEW* ofn) {
        asked.push_back(open ? L"open" : L"save");
        asked.push_back(ofn->lpstrFilter ? ofn->lpstrFilter : L"");
        lstrcpynW(ofn->lpstrFile, picture.c_str(), static_cast<int>(ofn->nMaxFile));
        return TRUE;
    });

    dialog_ = CColorKeyDlg::Open(mixer_, nullptr);
    ASSERT_NE(dialog_, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CK_BROWSE)));
    Click(IDC_CK_KEY);
    dialog_->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CK_BROWSE, BN_CLICKED), reinterpret_cast<LPARAM>(Item(IDC_CK_BROWSE)));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], L"open");
    EXPECT_EQ(asked[1], L"Image Files(*.bmp;*.dds;*.tga;*.dib;*.hdr;*.jpg;*.pfm;*.png;*.ppm)");
    EXPECT_STREQ(Record(1).strKeySource, picture.c_str());
    EXPECT_STREQ(TextOf(Item(IDC_CK_PICTURE)), picture.c_str());
    EXPECT_EQ(::SendMessageW(Item(IDC_CK_BACKGROUND_CHANNEL), CB_GETCURSEL, 0, 0), CB_ERR);
    std::vector<DWORD> frame = NextProgramFrame(kGreen);
    ASSERT_FALSE(frame.empty());
    EXPECT_TRUE(ColourNear(PixelAt(frame, 8, 24), 0xFF0000));
    EXPECT_TRUE(ColourNear(PixelAt(frame, 56, 24), 0xFF0000));

    // The key range's second value is the right edge: the right half keeps its own picture.
    ::SetWindowTextW(Item(IDC_CK_RANGE1), L"0.5");
    EXPECT_FLOAT_EQ(Record(1).fRange[1], 0.5f);
    ::SetWindowTextW(Item(IDC_CK_RANGE1), L"-");   // on the way to a number: nothing stored
    EXPECT_FLOAT_EQ(Record(1).fRange[1], 0.5f);
    ::SetWindowTextW(Item(IDC_CK_RANGE1), L"0.5 ");
    frame = NextProgramFrame(kGreen);
    ASSERT_FALSE(frame.empty());
    EXPECT_TRUE(ColourNear(PixelAt(frame, 8, 24), 0xFF0000));
    EXPECT_TRUE(ColourNear(PixelAt(frame, 56, 24), kGreen & 0xFFFFFF));
    SavePng(CaptureScreen(dialog_->m_hWnd), L"colour_key.png");

    // A background channel replaces the picture.
    Choose(IDC_CK_BACKGROUND_CHANNEL, L"2");
    EXPECT_STREQ(TextOf(Item(IDC_CK_PICTURE)), L"");
    EXPECT_TRUE(ColourNear(PixelAt(NextProgramFrame(kGreen), 8, 24), kBlue & 0xFFFFFF));
    DeleteFileW(picture.c_str());
}

TEST_F(ColorKeyTest, EachChannelKeepsItsOwnRecord)
{
    MakeTwoChannels();
    dialog_ = CColorKeyDlg::Open(mixer_, nullptr);
    ASSERT_NE(dialog_, nullptr);
    for (int channel = 1; channel <= 5; ++channel) {
        Choose(IDC_CK_CHANNEL, std::to_wstring(channel).c_str());
        ASSERT_EQ(dialog_->GetChannel(), channel);
        Click(IDC_CK_COLORADJUST);
        Slide(IDC_CK_BRIGHTNESS, channel * 10);
        if (channel % 2)
            Click(IDC_CK_KEY);
        // The background list never offers the channel being edited.
        std::vector<std::wstring> others;
        for (int i = 1; i <= 5; ++i)
            if (i != channel)
                others.push_back(std::to_wstring(i));
        EXPECT_EQ(Entries(IDC_CK_BACKGROUND_CHANNEL), others) << channel;
    }
    for (int channel = 1; channel <= 5; ++channel) {
        EXPECT_FLOAT_EQ(Record(channel).fBrightness, channel / 5.0f - 1.0f) << channel;
        EXPECT_EQ(Record(channel).bKey, channel % 2) << channel;
    }

    Choose(IDC_CK_CHANNEL, L"2");
    EXPECT_EQ(Position(IDC_CK_BRIGHTNESS), 20);
    EXPECT_STREQ(TextOf(Item(IDC_CK_BRIGHTNESS_TEXT)), L"-0.60");
    EXPECT_EQ(::SendMessageW(Item(IDC_CK_KEY), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CK_HUECENTER)));

    // Showing a channel writes nothing back: a range value with more digits than the edit
    // shows stays exact, and a channel source shows as the chosen background.
    Record(3).fRange[0] = 0.1234567f;
    Record(3).strKeySource = L"CHANNEL:5";
    Choose(IDC_CK_CHANNEL, L"3");
    EXPECT_EQ(Record(3).fRange[0], 0.1234567f);
    EXPECT_STREQ(TextOf(Item(IDC_CK_RANGE0)), L"0.123457");
    EXPECT_EQ(::SendMessageW(Item(IDC_CK_BACKGROUND_CHANNEL), CB_GETCURSEL, 0, 0),
              ::SendMessageW(Item(IDC_CK_BACKGROUND_CHANNEL), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(L"5")));
    EXPECT_STREQ(Record(3).strKeySource, L"CHANNEL:5");

    // Turning the key off keeps its values; on again, the same key.
    Slide(IDC_CK_HUECENTER, 70);
    Click(IDC_CK_KEY);
    EXPECT_EQ(Record(3).bKey, 0);
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CK_HUECENTER)));
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CK_RANGE0)));
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CK_BACKGROUND_CHANNEL)));
    Click(IDC_CK_KEY);
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_CK_HUECENTER)));
    EXPECT_EQ(Position(IDC_CK_HUECENTER), 70);
    EXPECT_FLOAT_EQ(Record(3).fHueCenter, 0.7f);
    EXPECT_STREQ(Record(3).strKeySource, L"CHANNEL:5");
}

TEST(ColorKeyWithoutEngine, NothingIsEditedAndNothingBreaks)
{
    CColorKeyDlg* dialog = CColorKeyDlg::Open(nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
    HWND key = ::GetDlgItem(dialog->m_hWnd, IDC_CK_KEY);
    EXPECT_FALSE(::IsWindowEnabled(key));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog->m_hWnd, IDC_CK_COLORADJUST)));
    HWND bar = ::GetDlgItem(dialog->m_hWnd, IDC_CK_BRIGHTNESS);
    dialog->SendMessage(WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar));
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CK_KEY, BN_CLICKED), reinterpret_cast<LPARAM>(key));
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CK_BROWSE, BN_CLICKED),
                        reinterpret_cast<LPARAM>(::GetDlgItem(dialog->m_hWnd, IDC_CK_BROWSE)));
    ::SetDlgItemTextW(dialog->m_hWnd, IDC_CK_RANGE0, L"0.5");
    dialog->DestroyWindow();   // the object goes with its window
    EXPECT_EQ(CColorKeyDlg::Current(), nullptr);
}
