// What the effect runtime (Wine's D3DX on a real device under Xvfb) makes of fxbuild's
// output: parameters by name with their defaults and annotations, techniques and passes,
// the states a pass sets, and shader constants fed from the parameters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/d3d/D3DHarness.h"
#include "tools/fxbuild/EffectBinary.h"
#include "tools/fxbuild/EffectSource.h"
#include "tools/fxbuild/ShaderAssembler.h"

using namespace fxbuild;
using rvxtest::Com;
using rvxtest::D3DHarness;

namespace {

std::vector<uint8_t> Compile(const std::string& text)
{
    EffectSource fx = ParseEffectSource(text, &EncodeForCodePage);
    ShaderCode shaders;
    for (const Shader& sh : fx.shaders) {
        std::string errors;
        if (!AssembleShader(sh, fx, shaders[sh.name], errors)) throw std::runtime_error(errors);
    }
    return WriteEffectBinary(fx, shaders);
}

const char kVertexShader[] = R"(
    vertexshader vs_screen {
        bind _mat_world c0;
        bind _mat_vp c4;
        asm {
            vs_2_0
            dcl_position v0
            dcl_texcoord0 v1
            m4x4 r0, v0, c0
            m4x4 oPos, r0, c4
            mov oT0, v1
        }
    }
)";

class FxbuildRenderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(d3d_.Create(32, 16), S_OK); }

    void Load(const std::string& source, Com<ID3DXEffect>& effect)
    {
        std::vector<uint8_t> binary = Compile(source);
        std::string errors;
        ASSERT_EQ(d3d_.LoadEffect(binary.data(), static_cast<UINT>(binary.size()), &effect, &errors), D3D_OK) << errors;
    }

    D3DHarness d3d_;
};

} // namespace

TEST_F(FxbuildRenderTest, ParametersAnnotationsAndTechniquesReadBack)
{
    Com<ID3DXEffect> fx;
    Load(R"(
        int _Type = 1;
        int _ID = 42;
        string _Name = "Sample";
        bool _TimeSensitivity = true;
        bool _SwapWhenOver = false;
        float4 _range = {0, 1, 0.25, 0.75};
        float4x4 _mat_world;
        float _Softness < string UIWidget = "slider"; string UIName = "Softness";
                          float UIMin = 0; float UIMax = 0.5; float UIStep = 0.01; > = 0.125;
        texture _tex0;
        technique First { pass A { } pass B { } }
        technique Second { pass C { } }
    )", fx);
    ASSERT_TRUE(fx);
    INT i = 0;
    ASSERT_EQ(fx->GetInt("_ID", &i), D3D_OK);
    EXPECT_EQ(i, 42);
    LPCSTR s = nullptr;
    ASSERT_EQ(fx->GetString("_Name", &s), D3D_OK);
    EXPECT_STREQ(s, "Sample");
    BOOL b = FALSE;
    ASSERT_EQ(fx->GetBool("_TimeSensitivity", &b), D3D_OK);
    EXPECT_TRUE(b);
    ASSERT_EQ(fx->GetBool("_SwapWhenOver", &b), D3D_OK);
    EXPECT_FALSE(b);
    D3DXVECTOR4 v;
    ASSERT_EQ(fx->GetVector("_range", &v), D3D_OK);
    EXPECT_FLOAT_EQ(v.z, 0.25f);
    EXPECT_FLOAT_EQ(v.w, 0.75f);
    EXPECT_EQ(fx->GetParameterByName(nullptr, "_Missing"), nullptr);

    D3DXHANDLE soft = fx->GetParameterByName(nullptr, "_Softness");
    ASSERT_NE(soft, nullptr);
    FLOAT f = 0;
    ASSERT_EQ(fx->GetFloat(soft, &f), D3D_OK);
    EXPECT_FLOAT_EQ(f, 0.125f);
    D3DXPARAMETER_DESC desc = {};
    ASSERT_EQ(fx->GetParameterDesc(soft, &desc), D3D_OK);
    EXPECT_EQ(desc.Annotations, 5u);
    ASSERT_EQ(fx->GetString(fx->GetAnnotationByName(soft, "UIWidget"), &s), D3D_OK);
    EXPECT_STREQ(s, "slider");
    ASSERT_EQ(fx->GetString(fx->GetAnnotationByName(soft, "UIName"), &s), D3D_OK);
    EXPECT_STREQ(s, "Softness");
    ASSERT_EQ(fx->GetFloat(fx->GetAnnotationByName(soft, "UIMax"), &f), D3D_OK);
    EXPECT_FLOAT_EQ(f, 0.5f);
    ASSERT_EQ(fx->GetFloat(fx->GetAnnotationByName(soft, "UIStep"), &f), D3D_OK);
    EXPECT_FLOAT_EQ(f, 0.01f);

    ASSERT_EQ(fx->GetParameterDesc(fx->GetParameterByName(nullptr, "_mat_world"), &desc), D3D_OK);
    EXPECT_EQ(desc.Class, D3DXPC_MATRIX_ROWS);
    EXPECT_EQ(desc.Rows, 4u);
    ASSERT_EQ(fx->GetParameterDesc(fx->GetParameterByName(nullptr, "_tex0"), &desc), D3D_OK);
    EXPECT_EQ(desc.Type, D3DXPT_TEXTURE);

    D3DXEFFECT_DESC ed = {};
    ASSERT_EQ(fx->GetDesc(&ed), D3D_OK);
    EXPECT_EQ(ed.Parameters, 9u);
    EXPECT_EQ(ed.Techniques, 2u);
    D3DXHANDLE t = nullptr;
    ASSERT_EQ(fx->FindNextValidTechnique(nullptr, &t), D3D_OK);
    D3DXTECHNIQUE_DESC td = {};
    ASSERT_EQ(fx->GetTechniqueDesc(t, &td), D3D_OK);
    EXPECT_STREQ(td.Name, "First");
    EXPECT_EQ(td.Passes, 2u);
}

TEST_F(FxbuildRenderTest, PassesSetTheirRenderAndSamplerStatesAndTexture)
{
    Com<ID3DXEffect> fx;
    Load(R"(
        texture _tex0;
        sampler s_tex0 = sampler_state { Texture = <_tex0>; MinFilter = POINT; MagFilter = POINT;
                                          AddressU = WRAP; AddressV = MIRROR; };
        pixelshader ps { bind s_tex0 s1; asm { ps_2_0
            dcl t0
            dcl_2d s1
            texld r0, t0, s1
            mov oC0, r0 } }
        technique T { pass P { VertexShader = NULL; PixelShader = ps;
                               AlphaBlendEnable = FALSE; CullMode = CW; ColorWriteEnable = RED; } }
    )", fx);
    ASSERT_TRUE(fx);
    Com<IDirect3DTexture9> tex;
    ASSERT_EQ(d3d_.MakeSolid(0xFF00FF00, &tex), D3D_OK);
    ASSERT_EQ(fx->SetTexture("_tex0", tex.get()), D3D_OK);
    IDirect3DDevice9* dev = d3d_.Device();
    UINT passes = 0;
    ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(fx->BeginPass(0), D3D_OK);
    DWORD v = 0;
    dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, FALSE);
    dev->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_CW));
    dev->GetRenderState(D3DRS_COLORWRITEENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCOLORWRITEENABLE_RED));
    dev->GetSamplerState(1, D3DSAMP_MINFILTER, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_POINT));
    dev->GetSamplerState(1, D3DSAMP_ADDRESSU, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_WRAP));
    dev->GetSamplerState(1, D3DSAMP_ADDRESSV, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_MIRROR));
    Com<IDirect3DBaseTexture9> bound;
    dev->GetTexture(1, &bound);
    EXPECT_EQ(static_cast<void*>(bound.get()), static_cast<void*>(tex.get()));
    Com<IDirect3DPixelShader9> ps;
    dev->GetPixelShader(&ps);
    EXPECT_TRUE(ps);
    Com<IDirect3DVertexShader9> vs;
    dev->GetVertexShader(&vs);
    EXPECT_FALSE(vs);
    fx->EndPass();
    fx->End();
    // Ending the effect gives the device its states back.
    dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, TRUE);
}

// Floats, ints converted to float registers, vectors and row-major matrices all reach
// the shaders: the quad covers the whole target only when both matrices arrive intact.
TEST_F(FxbuildRenderTest, ShaderConstantsComeFromTheParameters)
{
    Com<ID3DXEffect> fx;
    Load(std::string(R"(
        float4x4 _mat_world;
        float4x4 _mat_vp;
        float red = 0.25;
        int green = 1;
        float4 tint = {0, 0, 0.5, 1};
    )") + kVertexShader + R"(
        pixelshader ps { bind red c0; bind green c1; bind tint c2; asm { ps_2_0
            mov r0, c2
            mov r0.x, c0.x
            mov r0.y, c1.x
            mov oC0, r0 } }
        technique T { pass P { VertexShader = vs_screen; PixelShader = ps; } }
    )", fx);
    ASSERT_TRUE(fx);
    ASSERT_EQ(fx->SetMatrix("_mat_world", &d3d_.World()), D3D_OK);
    ASSERT_EQ(fx->SetMatrix("_mat_vp", &d3d_.ViewProjection()), D3D_OK);
    Com<IDirect3DTexture9> target;
    ASSERT_EQ(d3d_.MakeTarget(D3DFMT_X8R8G8B8, &target), D3D_OK);
    ASSERT_EQ(d3d_.Draw(fx.get(), -1, target.get()), D3D_OK);
    std::vector<DWORD> px;
    ASSERT_EQ(d3d_.ReadBack(target.get(), px), D3D_OK);
    const DWORD want = 0xFF40FF80;
    for (size_t i : {size_t(0), size_t(31), size_t(32 * 15), px.size() - 1, px.size() / 2})
        EXPECT_TRUE(rvxtest::Near(px[i], want, 1)) << i << ": " << rvxtest::Hex(px[i]);

    ASSERT_EQ(fx->SetFloat("red", 1.0f), D3D_OK);
    ASSERT_EQ(fx->SetInt("green", 0), D3D_OK);
    ASSERT_EQ(d3d_.Draw(fx.get(), -1, target.get()), D3D_OK);
    ASSERT_EQ(d3d_.ReadBack(target.get(), px), D3D_OK);
    EXPECT_TRUE(rvxtest::Near(px[40], 0xFFFF0080, 1)) << rvxtest::Hex(px[40]);
}

TEST_F(FxbuildRenderTest, ASecondPassSeesItsOwnShader)
{
    Com<ID3DXEffect> fx;
    Load(R"(
        pixelshader red { asm { ps_2_0
            def c0, 1, 0, 0, 1
            mov oC0, c0 } }
        pixelshader blue { asm { ps_2_0
            def c0, 0, 0, 1, 1
            mov oC0, c0 } }
        technique T { pass A { VertexShader = NULL; PixelShader = red; }
                      pass B { VertexShader = NULL; PixelShader = blue; } }
    )", fx);
    ASSERT_TRUE(fx);
    Com<IDirect3DTexture9> target;
    ASSERT_EQ(d3d_.MakeTarget(D3DFMT_X8R8G8B8, &target), D3D_OK);
    std::vector<DWORD> px;
    ASSERT_EQ(d3d_.Draw(fx.get(), 0, target.get()), D3D_OK);
    ASSERT_EQ(d3d_.ReadBack(target.get(), px), D3D_OK);
    EXPECT_TRUE(rvxtest::Near(px[100], 0xFFFF0000, 0)) << rvxtest::Hex(px[100]);
    ASSERT_EQ(d3d_.Draw(fx.get(), 1, target.get()), D3D_OK);
    ASSERT_EQ(d3d_.ReadBack(target.get(), px), D3D_OK);
    EXPECT_TRUE(rvxtest::Near(px[100], 0xFF0000FF, 0)) << rvxtest::Hex(px[100]);
}
