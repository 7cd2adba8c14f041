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
    {L"mix.fxo", 1},        {L"fade_black.fxo", 2}, {L"wipe_left.fxo", 3}, {L"wipe_right.fxo", 4},
    {L"wipe_top.fxo", 5},   {L"wipe_bottom.fxo", 6}, {L"soft_wipe.fxo", 7}, {L"push_left.fxo", 8},
    {L"iris.fxo", 9},       {L"pip.fxo", 10},
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

// Every transition starts on the program and ends on the preview; the picture in picture
// ends with the preview in its box only.
TEST_F(TransitionTest, EveryTransitionStartsOnProgramAndEndsOnPreview)
{
    for (const Shipped& s : kTransitions) {
        SCOPED_TRACE(std::string(s.file, s.file + wcslen(s.file)));
        Com<ID3DXEffect> fx;
        Load(s.file, fx);
        ASSERT_TRUE(fx);
        std::vector<DWORD> start = Render(fx.get(), 0.0f);
        std::vector<DWORD> end = Render(fx.get(), 1.0f);
        const bool pip = s.id == 10;
        for (UINT y = 0; y < d3d_.Height(); ++y)
            for (UINT x = 0; x < d3d_.Width(); ++x) {
                ASSERT_TRUE(rvxtest::Near(At(start, x, y), kRed, 2)) << x << "," << y << " " << rvxtest::Hex(At(start, x, y));
                bool inBox = x >= 40 && x < 60 && y >= 20 && y < 30;
                DWORD want = !pip || inBox ? kBlue : kRed;
                if (pip && !inBox && (x >= 38 && x <= 61 && y >= 18 && y <= 31)) continue;   // the box's edges
                ASSERT_TRUE(rvxtest::Near(At(end, x, y), want, 2)) << x << "," << y << " " << rvxtest::Hex(At(end, x, y));
            }
    }
}

TEST_F(TransitionTest, WipesSplitTheFrameAtHalfway)
{
    struct Case {
        const wchar_t* file;
        bool vertical;       // the edge runs across the frame
        bool fromStart;      // the preview comes in from the left or top
    };
    const Case cases[] = {
        {L"wipe_left.fxo", false, true},  {L"wipe_right.fxo", false, false},
        {L"wipe_top.fxo", true, true},    {L"wipe_bottom.fxo", true, false},
        {L"push_left.fxo", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file, c.file + wcslen(c.file)));
        Com<ID3DXEffect> fx;
        Load(c.file, fx);
        ASSERT_TRUE(fx);
        std::vector<DWORD> px = Render(fx.get(), 0.5f);
        for (UINT y = 0; y < d3d_.Height(); ++y)
            for (UINT x = 0; x < d3d_.Width(); ++x) {
                bool firstHalf = c.vertical ? y < d3d_.Height() / 2 : x < d3d_.Width() / 2;
                DWORD want = firstHalf == c.fromStart ? kBlue : kRed;
                ASSERT_TRUE(rvxtest::Near(At(px, x, y), want, 2)) << x << "," << y << " " << rvxtest::Hex(At(px, x, y));
            }
    }
}

TEST_F(TransitionTest, SoftWipeBlendsAcrossItsAnnotatedSoftness)
{
    Com<ID3DXEffect> fx;
    Load(L"soft_wipe.fxo", fx);
    ASSERT_TRUE(fx);
    D3DXHANDLE soft = fx->GetParameterByName(nullptr, "_Softness");
    ASSERT_NE(soft, nullptr);
    LPCSTR widget = nullptr;
    ASSERT_EQ(fx->GetString(fx->GetAnnotationByName(soft, "UIWidget"), &widget), D3D_OK);
    EXPECT_STREQ(widget, "slider");
    for (const char* a : {"UIMin", "UIMax", "UIStep"}) {
        FLOAT f = -1;
        EXPECT_EQ(fx->GetFloat(fx->GetAnnotationByName(soft, a), &f), D3D_OK) << a;
    }
    // Softness 0.5 at progress 0.5: the edge is at 0.75 and the blend spans 0.25..0.75.
    ASSERT_EQ(fx->SetFloat(soft, 0.5f), D3D_OK);
    std::vector<DWORD> px = Render(fx.get(), 0.5f);
    EXPECT_TRUE(rvxtest::Near(At(px, 4, 8), kBlue, 2)) << rvxtest::Hex(At(px, 4, 8));
    EXPECT_TRUE(rvxtest::Near(At(px, 60, 8), kRed, 2)) << rvxtest::Hex(At(px, 60, 8));
    DWORD mid = At(px, 31, 8);   // u = 0.4922: (0.75 - u) / 0.5 = 0.516 preview
    EXPECT_NEAR(rvxtest::Blue(mid), 131, 3) << rvxtest::Hex(mid);
    EXPECT_NEAR(rvxtest::Red(mid), 124, 3) << rvxtest::Hex(mid);
}

TEST_F(TransitionTest, FadeThroughBlackIsBlackHalfway)
{
    Com<ID3DXEffect> fx;
    Load(L"fade_black.fxo", fx);
    ASSERT_TRUE(fx);
    EXPECT_TRUE(rvxtest::Near(Render(fx.get(), 0.5f)[100], 0xFF000000, 2));
    EXPECT_TRUE(rvxtest::Near(Render(fx.get(), 0.25f)[100], 0xFF800000, 2));
    EXPECT_TRUE(rvxtest::Near(Render(fx.get(), 0.75f)[100], 0xFF000080, 2));
}

TEST_F(TransitionTest, PictureInPictureNeitherFollowsTimeNorSwaps)
{
    Com<ID3DXEffect> fx;
    Load(L"pip.fxo", fx);
    ASSERT_TRUE(fx);
    BOOL b = TRUE;
    ASSERT_EQ(fx->GetBool("_TimeSensitivity", &b), D3D_OK);
    EXPECT_FALSE(b);
    ASSERT_EQ(fx->GetBool("_SwapWhenOver", &b), D3D_OK);
    EXPECT_FALSE(b);
}
