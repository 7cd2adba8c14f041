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
