// The effect parameter window against effects compiled by our effect compiler and loaded by
// the effect runtime on a real device: which parameters get a track bar, the cells and the
// window size, the step arithmetic, and a move that the next transition frame shows.
#include "app/settings/TemplateDialog.h"

#include "app/engine/DXSimpleRenderEffect.h"
#include "app/foundation/AppHelpers.h"
#include "app/settings/ControlDialogs.h"
#include "tests/app/ui/ScreenshotPng.h"
#include "tests/support/d3d/D3DHarness.h"
#include "tools/fxbuild/EffectBinary.h"
#include "tools/fxbuild/EffectSource.h"
#include "tools/fxbuild/ShaderAssembler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

using rvxtest::Com;

namespace {

const char kProperties[] = R"(
    int _Type = 1;
    int _ID = 40;
    string _Name = "Level";
    string _Description_cn = "cn|line";
    string _Description_td = "td|line";
    string _Description_us = "us|line";
    bool _TimeSensitivity = true;
    float _Progress;
)";

// Draws red at the strength of _Level.
const char kLevelShader[] = R"(
    pixelshader ps { bind _Level c0; asm { ps_2_0
        def c1, 0, 0, 0, 1
        mov r0, c1
        mov r0.x, c0.x
        mov oC0, r0 } }
    technique T { pass P { VertexShader = NULL; PixelShader = ps; } }
)";

// A slider parameter as effect files declare one.
std::string Slider(const std::string& name, const std::string& label, float min, float max, float step, float value)
{
    char text[400];
    std::snprintf(text, sizeof text,
                  "float %s < string UIWidget = \"slider\"; string UIName = \"%s\"; float UIMin = %g; "
                  "float UIMax = %g; float UIStep = %g; > = %g;\n",
                  name.c_str(), label.c_str(), min, max, step, value);
    return text;
}

std::vector<uint8_t> Compile(const std::string& source)
{
    fxbuild::EffectSource fx = fxbuild::ParseEffectSource(source, &fxbuild::EncodeForCodePage);
    fxbuild::ShaderCode shaders;
    for (const fxbuild::Shader& sh : fx.shaders) {
        std::string errors;
        EXPECT_TRUE(fxbuild::AssembleShader(sh, fx, shaders[sh.name], errors)) << errors;
    }
    return fxbuild::WriteEffectBinary(fx, shaders);
}

CString TextOf(HWND hwnd)
{
    wchar_t text[128] = {};
    ::GetWindowTextW(hwnd, text, 128);
    return text;
}

// A render effect that lets the test reach the window it opened.
class OpenEffect : public CDXSimpleRenderEffect {
public:
    using CDXSimpleRenderEffect::CDXSimpleRenderEffect;
    CTemplateDialog* Dialog() const
    {
        return m_pDialog ? &static_cast<CEffectParameterWindow*>(m_pDialog)->Dialog() : nullptr;
    }
};

class TemplateDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(d3d_.Create(32, 16), S_OK);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        wchar_t name[40];
        wsprintfW(name, L"rvx_template_%lu", GetCurrentProcessId());
        folder_ = CString(temp) + name;
        CreateDirectoryW(folder_, nullptr);
        CreateDirectoryW(folder_ + L"\\fx", nullptr);
        SetExeDirectoryOverride(folder_);
    }
    void TearDown() override
    {
        CDXRenderEffect::SetParameterDialogFactory(nullptr);
        SetExeDirectoryOverride(nullptr);
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW(folder_ + L"\\fx\\*.fxo", &f);
        if (h != INVALID_HANDLE_VALUE) {
            do
                DeleteFileW(folder_ + L"\\fx\\" + f.cFileName);
            while (FindNextFileW(h, &f));
            FindClose(h);
        }
        RemoveDirectoryW(folder_ + L"\\fx");
        RemoveDirectoryW(folder_);
    }

    void Load(const std::string& source, Com<ID3DXEffect>& fx)
    {
        std::vector<uint8_t> binary = Compile(kProperties + source + kLevelShader);
        ASSERT_EQ(d3d_.LoadEffect(binary.data(), static_cast<UINT>(binary.size()), &fx), D3D_OK);
    }

    void WriteEffect(const wchar_t* file, const std::string& source)
    {
        std::vector<uint8_t> binary = Compile(kProperties + source + kLevelShader);
        std::ofstream out(static_cast<LPCWSTR>(folder_ + L"\\fx\\" + file), std::ios::binary);
        out.write(reinterpret_cast<const char*>(binary.data()), static_cast<std::streamsize>(binary.size()));
    }

    // One transition frame of the effect into a fresh target; the first pixel.
    DWORD DrawFrame(CDXRenderEffect& effect)
    {
        Com<IDirect3DTexture9> target;
        EXPECT_EQ(d3d_.MakeTarget(D3DFMT_X8R8G8B8, &target), D3D_OK);
        Com<IDirect3DSurface9> surface;
        EXPECT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
        EffectRenderParams rp;
        rp.fProgress = 0.5f;
        d3d_.Device()->SetRenderTarget(0, surface.get());
        d3d_.BindQuad();
        d3d_.Device()->BeginScene();
        EXPECT_EQ(effect.Render(&rp), S_OK);
        d3d_.Device()->EndScene();
        std::vector<DWORD> px;
        EXPECT_EQ(d3d_.ReadBack(target.get(), px), D3D_OK);
        return px.empty() ? 0 : px[0];
    }

    EffectInitParams InitParams()
    {
        EffectInitParams p = {};
        p.nOutputWidth = p.nTargetWidth = 32;
        p.nOutputHeight = p.nTargetHeight = 16;
        p.pDevice = d3d_.Device();
        std::memcpy(p.matWorld, &d3d_.World(), sizeof(p.matWorld));
        std::memcpy(p.matViewProjection, &d3d_.ViewProjection(), sizeof(p.matViewProjection));
        return p;
    }

    void Move(CTemplateDialog& dialog, int index, int position)
    {
        HWND track = dialog.GetDlgItem(IDC_TEMPLATE_TRACK_BASE + index)->GetSafeHwnd();
        ASSERT_NE(track, nullptr);
        ::SendMessageW(track, TBM_SETPOS, TRUE, position);
        dialog.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(track));
        dialog.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(track));
    }

    rvxtest::D3DHarness d3d_;
    CString folder_;
};

} // namespace

TEST_F(TemplateDialogTest, OnlyAnnotatedFloatSlidersMakeEntries)
{
    Com<ID3DXEffect> fx;
    Load(Slider("_Level", "Level", 0, 1, 0.25f, 0.5f) +
             "float _NoName < string UIWidget = \"slider\"; float UIMin = 0; float UIMax = 1; float UIStep = 0.1; > = 0;\n"
             "float _Knob < string UIWidget = \"knob\"; string UIName = \"Knob\"; float UIMin = 0; float UIMax = 1; "
             "float UIStep = 0.1; > = 0;\n"
             "float _NoStep < string UIWidget = \"slider\"; string UIName = \"No step\"; float UIMin = 0; "
             "float UIMax = 1; > = 0;\n"
             "string _Text < string UIWidget = \"slider\"; string UIName = \"Text\"; float UIMin = 0; "
             "float UIMax = 1; float UIStep = 0.1; > = \"x\";\n"
             "float _Plain = 3;\n" +
             Slider("_Fixed", "Fixed", 2, 2, 1, 2),
         fx);
    ASSERT_TRUE(fx);
    CTemplateDialog dialog(fx.get());
    ASSERT_EQ(dialog.GetEntryCount(), 2);
    const CTemplateDialog::CSldInfo* level = dialog.GetSlider(0);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->nType, CTemplateDialog::kTrackBar);
    EXPECT_STREQ(level->strName, L"Level");
    EXPECT_EQ(level->hParameter, fx->GetParameterByName(nullptr, "_Level"));
    EXPECT_FLOAT_EQ(level->fMin, 0.0f);
    EXPECT_FLOAT_EQ(level->fMax, 1.0f);
    EXPECT_FLOAT_EQ(level->fStep, 0.25f);
    EXPECT_FLOAT_EQ(level->fValue, 0.5f);
    EXPECT_STREQ(dialog.GetSlider(1)->strName, L"Fixed");

    Com<ID3DXEffect> plain;
    Load("float _Level = 0.5;\n", plain);
    EXPECT_TRUE(CTemplateDialog(plain.get()).IsEmpty());
    EXPECT_TRUE(CTemplateDialog(nullptr).IsEmpty());
}

TEST(TemplateDialogSteps, RangesPositionsValuesAndWindowSizes)
{
    using Info = CTemplateDialog::CSldInfo;
    auto info = [](float min, float max, float step, float value) {
        Info i;
        i.fMin = min;
        i.fMax = max;
        i.fStep = step;
        i.fValue = value;
        return i;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct RangeCase {
        Info info;
        int range, position;
    } ranges[] = {
        { info(0, 1, 0.25f, 0.5f), 4, 2 },
        { info(0, 1, 0.1f, 0.3f), 10, 3 },          // 1 / 0.1 in 32-bit floats is 10
        { info(0.01f, 0.5f, 0.01f, 0.1f), 49, 9 },  // the soft wipe's edge
        { info(2, 2, 1, 2), 0, 0 },                 // nothing to choose: the bar rests at 0
        { info(0, 1, 0, 0.5f), 0, 0 },              // no step
        { info(1, 0, 0.25f, 0.5f), 0, 0 },          // reversed
        { info(0, 1, -0.25f, 0.5f), 0, 0 },         // negative step
        { info(0, nan, 0.1f, 0.5f), 0, 0 },
        { info(0, 1e9f, 1e-9f, 0), CTemplateDialog::kMaxTrackRange, 0 },
        { info(0, 1, 0.25f, 7), 4, 4 },             // a value beyond the scale shows at its end
        { info(0, 1, 0.25f, -7), 4, 0 },
    };
    for (const RangeCase& c : ranges) {
        const int range = CTemplateDialog::TrackRange(c.info);
        EXPECT_EQ(range, c.range) << c.info.fMin << ".." << c.info.fMax << " step " << c.info.fStep;
        EXPECT_EQ(CTemplateDialog::TrackPosition(c.info, range), c.position) << c.info.fValue;
    }
    EXPECT_FLOAT_EQ(CTemplateDialog::TrackValue(info(0, 1, 0.25f, 0), 3, 4), 0.75f);
    EXPECT_FLOAT_EQ(CTemplateDialog::TrackValue(info(0.01f, 0.5f, 0.01f, 0), 9, 49), 0.1f);
    // A bar without steps keeps the value: it never divides by its empty range.
    EXPECT_FLOAT_EQ(CTemplateDialog::TrackValue(info(2, 2, 1, 2), 0, 0), 2.0f);

    struct SizeCase {
        int n, width, height;
    } sizes[] = { { 0, 220, 135 }, { 1, 220, 135 }, { 3, 308, 135 }, { 4, 308, 135 }, { 7, 308, 185 } };
    for (const SizeCase& c : sizes) {
        const SIZE size = CTemplateDialog::WindowSize(c.n);
        EXPECT_EQ(size.cx, c.width) << c.n;
        EXPECT_EQ(size.cy, c.height) << c.n;
    }
}

TEST_F(TemplateDialogTest, FourParametersMakeTwoRowsAndAMoveSetsTheEffect)
{
    Com<ID3DXEffect> fx;
    Load(Slider("_Level", "Level", 0, 1, 0.25f, 0.5f) + Slider("_B", "B", 0, 10, 1, 3) +
             Slider("_C", "C", -1, 1, 0.5f, 0) + Slider("_Fixed", "Fixed", 2, 2, 1, 2),
         fx);
    ASSERT_TRUE(fx);
    CTemplateDialog dialog(fx.get());
    ASSERT_TRUE(dialog.Create(CTemplateDialog::IDD));
    dialog.ShowWindow(SW_SHOW);

    CRect window;
    dialog.GetWindowRect(&window);
    EXPECT_EQ(window.Width(), 308);
    EXPECT_EQ(window.Height(), 135);
    struct Cell {
        int x, y, position;
        const wchar_t* label;
    } cells[] = { { 0, 0, 2, L"Level 0.50" }, { 100, 0, 3, L"B 3.00" }, { 200, 0, 2, L"C 0.00" }, { 0, 50, 0, L"Fixed 2.00" } };
    for (int i = 0; i < 4; ++i) {
        CWnd* track = dialog.GetDlgItem(IDC_TEMPLATE_TRACK_BASE + i);
        CWnd* label = dialog.GetDlgItem(IDC_TEMPLATE_LABEL_BASE + i);
        ASSERT_NE(track, nullptr) << i;
        ASSERT_NE(label, nullptr) << i;
        CRect t, l;
        track->GetWindowRect(&t);
        label->GetWindowRect(&l);
        dialog.ScreenToClient(&t);
        dialog.ScreenToClient(&l);
        EXPECT_EQ(t, CRect(cells[i].x, cells[i].y, cells[i].x + 100, cells[i].y + 25)) << i;
        EXPECT_EQ(l, CRect(cells[i].x, cells[i].y + 25, cells[i].x + 100, cells[i].y + 50)) << i;
        EXPECT_EQ(track->SendMessage(TBM_GETPOS), cells[i].position) << i;
        EXPECT_STREQ(TextOf(label->m_hWnd), cells[i].label) << i;
    }
    EXPECT_EQ(dialog.GetDlgItem(IDC_TEMPLATE_TRACK_BASE)->SendMessage(TBM_GETRANGEMAX), 4);
    SavePng(CaptureScreen(dialog.m_hWnd), L"effect_parameters.png");

    Move(dialog, 0, 3);
    float value = 0;
    ASSERT_EQ(fx->GetFloat("_Level", &value), D3D_OK);
    EXPECT_FLOAT_EQ(value, 0.75f);
    EXPECT_STREQ(TextOf(dialog.GetDlgItem(IDC_TEMPLATE_LABEL_BASE)->m_hWnd), L"Level 0.75");

    // The bar with nothing to choose rests, and a scroll from it writes nothing.
    HWND fixed = dialog.GetDlgItem(IDC_TEMPLATE_TRACK_BASE + 3)->GetSafeHwnd();
    EXPECT_FALSE(::IsWindowEnabled(fixed));
    dialog.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(fixed));
    ASSERT_EQ(fx->GetFloat("_Fixed", &value), D3D_OK);
    EXPECT_FLOAT_EQ(value, 2.0f);

    // The window goes with its controls; the object and its entries stay.
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.GetEntryCount(), 4);
}

TEST_F(TemplateDialogTest, TheNextTransitionFrameShowsTheMovedValue)
{
    RegisterControlDialogs();
    WriteEffect(L"level.fxo", Slider("_Level", "Level", 0, 1, 0.25f, 0.5f));
    WriteEffect(L"plain.fxo", "float _Level = 0.5;\n");
    const EffectInitParams params = InitParams();

    OpenEffect plain(L"plain.fxo");
    ASSERT_EQ(plain.Init(&params), S_OK);
    EXPECT_EQ(plain.Configure(nullptr), S_FALSE);   // nothing to tune: no window
    EXPECT_EQ(plain.Dialog(), nullptr);

    HWND window = nullptr;
    {
        OpenEffect effect(L"level.fxo");
        ASSERT_EQ(effect.Init(&params), S_OK);
        EXPECT_TRUE(rvxtest::Near(DrawFrame(effect), 0xFF800000, 2)) << rvxtest::Hex(DrawFrame(effect));
        ASSERT_EQ(effect.Configure(nullptr), S_OK);
        CTemplateDialog* dialog = effect.Dialog();
        ASSERT_NE(dialog, nullptr);
        window = dialog->m_hWnd;
        EXPECT_TRUE(::IsWindowVisible(window));
        EXPECT_STREQ(TextOf(window), L"属性");

        Move(*dialog, 0, 4);
        EXPECT_STREQ(TextOf(dialog->GetDlgItem(IDC_TEMPLATE_LABEL_BASE)->m_hWnd), L"Level 1.00");
        EXPECT_TRUE(rvxtest::Near(DrawFrame(effect), 0xFFFF0000, 2)) << rvxtest::Hex(DrawFrame(effect));
        Move(*dialog, 0, 1);
        EXPECT_TRUE(rvxtest::Near(DrawFrame(effect), 0xFF400000, 2)) << rvxtest::Hex(DrawFrame(effect));

        // Opened again: the old window goes first.
        ASSERT_EQ(effect.Configure(nullptr), S_OK);
        EXPECT_FALSE(::IsWindow(window));
        window = effect.Dialog()->m_hWnd;
        EXPECT_TRUE(::IsWindow(window));
    }
    EXPECT_FALSE(::IsWindow(window));   // the effect took its window with it
}
