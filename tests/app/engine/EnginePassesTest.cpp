// The render engine's own passes ("_PreProcess", "_ChannelRender", "_Fields2Frame"): the
// parameter names and pass numbers the engine relies on, and what each pass draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/d3d/D3DHarness.h"

using rvxtest::Com;
using rvxtest::D3DHarness;

namespace {

class EnginePassTest : public ::testing::Test {
protected:
    static constexpr UINT kW = 32, kH = 16;

    void SetUp() override { ASSERT_EQ(d3d_.Create(kW, kH), S_OK); }

    void Load(const wchar_t* file, Com<ID3DXEffect>& fx)
    {
        std::string errors;
        ASSERT_EQ(d3d_.LoadEffect(rvxtest::BuiltEffectFolder() + L"\\" + file, &fx, &errors), D3D_OK) << errors;
        D3DXHANDLE t = nullptr;
        ASSERT_EQ(fx->FindNextValidTechnique(nullptr, &t), D3D_OK);
        ASSERT_EQ(fx->SetTechnique(t), D3D_OK);
    }

    std::vector<DWORD> Draw(ID3DXEffect* fx, int pass, D3DFORMAT format = D3DFMT_X8R8G8B8)
    {
        Com<IDirect3DTexture9> target;
        std::vector<DWORD> px;
        EXPECT_EQ(d3d_.MakeTarget(format, &target), D3D_OK);
        EXPECT_EQ(d3d_.Draw(fx, pass, target.get()), D3D_OK);
        EXPECT_EQ(d3d_.ReadBack(target.get(), px), D3D_OK);
        return px;
    }

    D3DHarness d3d_;
};

} // namespace

TEST_F(EnginePassTest, PassesAndParametersAreThere)
{
    struct File {
        const wchar_t* name;
        UINT passes;
        std::vector<const char*> parameters;
    };
    const File files[] = {
        {L"_PreProcess.fxo", 5,
         {"_field_x", "_field_y", "_line_x", "_line_y", "_deinterlace", "_tex0", "_tex1", "_tex2", "_min_hue",
          "_max_hue", "_min_saturation", "_range", "_brightness", "_contrast", "_hue", "_saturation", "_coloradjust"}},
        {L"_ChannelRender.fxo", 1, {"_tex0"}},
        {L"_Fields2Frame.fxo", 1, {"tex_odd", "tex_even"}},
    };
    for (const File& f : files) {
        Com<ID3DXEffect> fx;
        Load(f.name, fx);
        ASSERT_TRUE(fx);
        D3DXTECHNIQUE_DESC td = {};
        ASSERT_EQ(fx->GetTechniqueDesc(fx->GetCurrentTechnique(), &td), D3D_OK);
        EXPECT_EQ(td.Passes, f.passes);
        for (const char* p : f.parameters) EXPECT_NE(fx->GetParameterByName(nullptr, p), nullptr) << p;
    }
}

TEST_F(EnginePassTest, ChannelRenderCopiesThePicture)
{
    Com<ID3DXEffect> fx;
    Load(L"_ChannelRender.fxo", fx);
    ASSERT_TRUE(fx);
    std::vector<DWORD> pattern(kW * kH);
    for (UINT i = 0; i < pattern.size(); ++i) pattern[i] = 0xFF000000 | (i * 0x010203 & 0xFFFFFF);
    Com<IDirect3DTexture9> tex;
    ASSERT_EQ(d3d_.MakeTexture(pattern, kW, kH, &tex), D3D_OK);
    fx->SetTexture("_tex0", tex.get());
    std::vector<DWORD> px = Draw(fx.get(), -1);
    for (UINT i = 0; i < px.size(); ++i) ASSERT_TRUE(rvxtest::Near(px[i], pattern[i], 1)) << i << " " << rvxtest::Hex(px[i]);
}

namespace {

// A picture of colour bars: red, green, blue, yellow, white and grey, each a few columns wide.
std::vector<DWORD> Bars(UINT w, UINT h)
{
    const DWORD bars[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFFFFFFFF, 0xFF808080, 0xFF20C040,
                          0xFF102030};
    std::vector<DWORD> px(w * h);
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x) px[y * w + x] = bars[x * 8 / w];
    return px;
}

} // namespace

// The key pass gives the key's opacity: transparent on the keyed hue (green, hue 1/3, with
// enough saturation), opaque on every other colour, grey included.
TEST_F(EnginePassTest, KeyMakesTheKeyedHueTransparent)
{
    Com<ID3DXEffect> fx;
    Load(L"_PreProcess.fxo", fx);
    ASSERT_TRUE(fx);
    Com<IDirect3DTexture9> bars;
    ASSERT_EQ(d3d_.MakeTexture(Bars(kW, kH), kW, kH, &bars), D3D_OK);
    fx->SetTexture("_tex0", bars.get());
    fx->SetFloat("_min_hue", 0.33f - 0.1f);
    fx->SetFloat("_max_hue", 0.33f + 0.1f);
    fx->SetFloat("_min_saturation", 0.2f);
    std::vector<DWORD> px = Draw(fx.get(), 1, D3DFMT_A8R8G8B8);
    const bool keyed[8] = {false, true, false, false, false, false, true, false};
    for (UINT bar = 0; bar < 8; ++bar) {
        DWORD p = px[5 * kW + bar * 4 + 1];
        EXPECT_EQ(rvxtest::Alpha(p), keyed[bar] ? 0 : 255) << "bar " << bar << " " << rvxtest::Hex(p);
        EXPECT_EQ(rvxtest::Red(p), keyed[bar] ? 0 : 255) << "bar " << bar << " " << rvxtest::Hex(p);
    }

    // A key range running past 0 (centre 0.02, width 0.1) keys red and nothing else.
    fx->SetFloat("_min_hue", 0.02f - 0.1f);
    fx->SetFloat("_max_hue", 0.02f + 0.1f);
    px = Draw(fx.get(), 1, D3DFMT_A8R8G8B8);
    for (UINT bar = 0; bar < 8; ++bar)
        EXPECT_EQ(rvxtest::Alpha(px[5 * kW + bar * 4 + 1]), bar == 0 ? 0 : 255) << "bar " << bar;
}

// The matte pass puts the matte where the key is transparent, inside the key's rectangle only.
TEST_F(EnginePassTest, MatteFillsTheKeyedPartInsideTheRange)
{
    Com<ID3DXEffect> fx;
    Load(L"_PreProcess.fxo", fx);
    ASSERT_TRUE(fx);
    Com<IDirect3DTexture9> picture, matte, key;
    ASSERT_EQ(d3d_.MakeSolid(0xFF00FF00, &picture), D3D_OK);
    ASSERT_EQ(d3d_.MakeSolid(0xFF0000FF, &matte), D3D_OK);
    ASSERT_EQ(d3d_.MakeSolid(0xFF000000, &key), D3D_OK);   // keyed everywhere
    fx->SetTexture("_tex0", picture.get());
    fx->SetTexture("_tex1", matte.get());
    fx->SetTexture("_tex2", key.get());
    const D3DXVECTOR4 leftHalf(0, 0.5f, 0, 1);
    fx->SetVector("_range", &leftHalf);
    std::vector<DWORD> px = Draw(fx.get(), 2);
    for (UINT x = 0; x < kW; ++x)
        EXPECT_TRUE(rvxtest::Near(px[8 * kW + x], x < kW / 2 ? 0xFF0000FF : 0xFF00FF00, 1))
            << x << " " << rvxtest::Hex(px[8 * kW + x]);
}

TEST_F(EnginePassTest, NeutralColourAdjustmentIsTheIdentity)
{
    Com<ID3DXEffect> fx;
    Load(L"_PreProcess.fxo", fx);
    ASSERT_TRUE(fx);
    const std::vector<DWORD> bars = Bars(kW, kH);
    Com<IDirect3DTexture9> tex;
    ASSERT_EQ(d3d_.MakeTexture(bars, kW, kH, &tex), D3D_OK);
    fx->SetTexture("_tex0", tex.get());
    fx->SetFloat("_brightness", 0);
    fx->SetFloat("_contrast", 1);
    fx->SetFloat("_hue", 0);
    fx->SetFloat("_saturation", 1);
    fx->SetInt("_coloradjust", 1);
    std::vector<DWORD> px = Draw(fx.get(), 3);
    for (UINT i = 0; i < px.size(); ++i) ASSERT_TRUE(rvxtest::Near(px[i], bars[i], 2)) << i << " " << rvxtest::Hex(px[i]);

    struct Case {
        float brightness, contrast, hue, saturation;
        DWORD in, out;
    };
    const Case cases[] = {
        {0.2f, 1, 0, 1, 0xFF808080, 0xFFB3B3B3},    // brighter
        {0, 0, 0, 1, 0xFFFF0000, 0xFF808080},       // no contrast: mid grey
        {0, 1, 0, 0, 0xFF00FF00, 0xFF969696},       // no saturation: the luma, 0.587
        {0, 1, 180, 1, 0xFF808080, 0xFF808080},     // grey has no hue to turn
    };
    for (const Case& c : cases) {
        Com<IDirect3DTexture9> solid;
        ASSERT_EQ(d3d_.MakeSolid(c.in, &solid), D3D_OK);
        fx->SetTexture("_tex0", solid.get());
        fx->SetFloat("_brightness", c.brightness);
        fx->SetFloat("_contrast", c.contrast);
        fx->SetFloat("_hue", c.hue);
        fx->SetFloat("_saturation", c.saturation);
        px = Draw(fx.get(), 3);
        EXPECT_TRUE(rvxtest::Near(px[40], c.out, 3)) << rvxtest::Hex(c.in) << " -> " << rvxtest::Hex(px[40]);
    }
    // Turning red by 120 degrees gives a green-dominated colour.
    Com<IDirect3DTexture9> red;
    ASSERT_EQ(d3d_.MakeSolid(0xFFFF0000, &red), D3D_OK);
    fx->SetTexture("_tex0", red.get());
    fx->SetFloat("_hue", 120);
    fx->SetFloat("_saturation", 1);
    fx->SetFloat("_contrast", 1);
    fx->SetFloat("_brightness", 0);
    px = Draw(fx.get(), 3);
    EXPECT_GT(rvxtest::Green(px[40]), rvxtest::Red(px[40])) << rvxtest::Hex(px[40]);
    EXPECT_GT(rvxtest::Green(px[40]), rvxtest::Blue(px[40])) << rvxtest::Hex(px[40]);
}

// Lines of alternating colour: the field pass keeps the lines of the field shown and fills
// the others from their neighbours; the whole-frame pass and field 2 copy the picture.
TEST_F(EnginePassTest, FieldPassKeepsOneFieldAndFillsTheOther)
{
    Com<ID3DXEffect> fx;
    Load(L"_PreProcess.fxo", fx);
    ASSERT_TRUE(fx);
    std::vector<DWORD> lines(kW * kH);
    for (UINT y = 0; y < kH; ++y)
        for (UINT x = 0; x < kW; ++x) lines[y * kW + x] = y % 2 ? 0xFF0000FF : 0xFFFF0000;
    Com<IDirect3DTexture9> tex;
    ASSERT_EQ(d3d_.MakeTexture(lines, kW, kH, &tex), D3D_OK);
    fx->SetTexture("_tex0", tex.get());
    fx->SetFloat("_line_y", 1.0f / kH);
    for (int field : {0, 1}) {
        fx->SetInt("_deinterlace", field);
        std::vector<DWORD> px = Draw(fx.get(), 0);
        const DWORD kept = field ? 0xFF0000FF : 0xFFFF0000;
        for (UINT y = 1; y + 1 < kH; ++y)
            EXPECT_TRUE(rvxtest::Near(px[y * kW + 5], kept, 2)) << "field " << field << " line " << y << " "
                                                               << rvxtest::Hex(px[y * kW + 5]);
    }
    fx->SetInt("_deinterlace", 2);
    std::vector<DWORD> whole = Draw(fx.get(), 0);
    std::vector<DWORD> frame = Draw(fx.get(), 4);
    for (UINT i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(rvxtest::Near(whole[i], lines[i], 1)) << i;
        ASSERT_TRUE(rvxtest::Near(frame[i], lines[i], 1)) << i;
    }
}

TEST_F(EnginePassTest, FieldsWeaveIntoOneFrame)
{
    Com<ID3DXEffect> fx;
    Load(L"_Fields2Frame.fxo", fx);
    ASSERT_TRUE(fx);
    Com<IDirect3DTexture9> odd, even;
    ASSERT_EQ(d3d_.MakeSolid(0xFFFF0000, &odd), D3D_OK);
    ASSERT_EQ(d3d_.MakeSolid(0xFF0000FF, &even), D3D_OK);
    fx->SetTexture("tex_odd", odd.get());
    fx->SetTexture("tex_even", even.get());
    std::vector<DWORD> px = Draw(fx.get(), -1);
    for (UINT y = 0; y < kH; ++y)
        EXPECT_TRUE(rvxtest::Near(px[y * kW + 7], y % 2 ? 0xFF0000FF : 0xFFFF0000, 1)) << "line " << y;
}
