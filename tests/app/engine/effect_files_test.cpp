// The transitions shipped in the fx folder: each loads with D3DX on a real device, declares
// what the program reads from it, and draws what its name promises.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/d3d/D3DHarness.h"

using rvxtest::Com;
using rvxtest::D3DHarness;

namespace {

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kBlue = 0xFF0000FF;

struct Shipped {
    const wchar_t* file;
    int id;
};

const Shipped kTransitions[] = {
    {L"mix.fxo", 1},
};

class TransitionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(d3d_.Create(64, 32), S_OK);
        ASSERT_EQ(d3d_.MakeSolid(kRed, &red_), D3D_OK);
        ASSERT_EQ(d3d_.MakeSolid(kBlue, &blue_), D3D_OK);
        ASSERT_EQ(d3d_.MakeTarget(D3DFMT_X8R8G8B8, &target_), D3D_OK);
    }

    void Load(const wchar_t* file, Com<ID3DXEffect>& fx)
    {
        std::string errors;
        ASSERT_EQ(d3d_.LoadEffect(rvxtest::BuiltEffectFolder() + L"\\" + file, &fx, &errors), D3D_OK) << errors;
        D3DXHANDLE t = nullptr;
        ASSERT_EQ(fx->FindNextValidTechnique(nullptr, &t), D3D_OK);
        ASSERT_EQ(fx->SetTechnique(t), D3D_OK);
        // What the render effect sets when it loads the file.
        fx->SetInt("_field_x", static_cast<INT>(d3d_.Width()));
        fx->SetInt("_field_y", static_cast<INT>(d3d_.Height()));
        fx->SetFloat("_line_x", 1.0f / d3d_.Width());
        fx->SetFloat("_line_y", 1.0f / d3d_.Height());
        fx->SetMatrix("_mat_world", &d3d_.World());
        fx->SetMatrix("_mat_vp", &d3d_.ViewProjection());
    }

    // Draws program (red) into preview (blue) at a progress and returns the pixels.
    std::vector<DWORD> Render(ID3DXEffect* fx, float progress)
    {
        fx->SetTexture("_tex0", red_.get());
        fx->SetTexture("_tex1", blue_.get());
        fx->SetFloat("_Progress", progress);
        std::vector<DWORD> px;
        EXPECT_EQ(d3d_.Draw(fx, -1, target_.get()), D3D_OK);
        EXPECT_EQ(d3d_.ReadBack(target_.get(), px), D3D_OK);
        return px;
    }

    DWORD At(const std::vector<DWORD>& px, UINT x, UINT y) const { return px[y * d3d_.Width() + x]; }

    D3DHarness d3d_;
    Com<IDirect3DTexture9> red_, blue_, target_;
};

} // namespace

TEST_F(TransitionTest, EveryTransitionDeclaresWhatTheProgramReads)
{
    std::set<int> ids;
    for (const Shipped& s : kTransitions) {
        SCOPED_TRACE(std::string(s.file, s.file + wcslen(s.file)));
        Com<ID3DXEffect> fx;
        Load(s.file, fx);
        ASSERT_TRUE(fx);
        INT v = -1;
        EXPECT_EQ(fx->GetInt("_Type", &v), D3D_OK);
        ASSERT_EQ(fx->GetInt("_ID", &v), D3D_OK);
        EXPECT_EQ(v, s.id);
        EXPECT_TRUE(ids.insert(v).second) << "id " << v << " is taken twice";
        for (const char* name : {"_Name", "_Description_cn", "_Description_td", "_Description_us"}) {
            LPCSTR text = nullptr;
            ASSERT_EQ(fx->GetString(name, &text), D3D_OK) << name;
            EXPECT_GT(strlen(text), 0u) << name;
        }
        BOOL b;
        EXPECT_EQ(fx->GetBool("_TimeSensitivity", &b), D3D_OK);
        for (const char* name : {"_tex0", "_tex1", "_Progress", "_field_x", "_field_y", "_line_x", "_line_y",
                                 "_mat_world", "_mat_vp"})
            EXPECT_NE(fx->GetParameterByName(nullptr, name), nullptr) << name;
    }
}

TEST_F(TransitionTest, MixGoesFromRedThroughPurpleToBlue)
{
    Com<ID3DXEffect> fx;
    Load(L"mix.fxo", fx);
    ASSERT_TRUE(fx);
    LPCSTR text = nullptr;
    ASSERT_EQ(fx->GetString("_Description_us", &text), D3D_OK);
    EXPECT_NE(std::string(text).find('|'), std::string::npos);
    EXPECT_EQ(fx->GetParameterByName(nullptr, "_SwapWhenOver"), nullptr);

    struct Case {
        float progress;
        DWORD colour;
    };
    for (const Case& c : {Case{0.0f, kRed}, Case{0.5f, 0xFF800080}, Case{1.0f, kBlue}}) {
        std::vector<DWORD> px = Render(fx.get(), c.progress);
        for (UINT x : {0u, 31u, 63u})
            for (UINT y : {0u, 15u, 31u})
                EXPECT_TRUE(rvxtest::Near(At(px, x, y), c.colour, 2))
                    << "progress " << c.progress << " at " << x << "," << y << ": " << rvxtest::Hex(At(px, x, y));
    }
}
