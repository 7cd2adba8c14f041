// Transitions as the render engine holds them: loading a file and reading what it declares,
// refusing broken files, drawing with the program and preview, the hand-off of parameter
// values from the dialog's thread, and the parameter dialog's life.
#include <gtest/gtest.h>

#include <afx.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/engine/DXSimpleRenderEffect.h"
#include "app/engine/TransitionLoader.h"
#include "app/foundation/AppHelpers.h"
#include "tests/support/d3d/D3DHarness.h"
#include "tools/fxbuild/EffectBinary.h"
#include "tools/fxbuild/EffectSource.h"
#include "tools/fxbuild/ShaderAssembler.h"

using rvxtest::Com;

namespace {

const char kProperties[] = R"(
    int _Type = 1;
    int _ID = %ID%;
    string _Name = "Fixture %ID%";
    string _Description_cn = "cn|line";
    string _Description_td = "td|line";
    string _Description_us = "us|second line";
    bool _TimeSensitivity = true;
)";

std::string Replace(std::string s, const std::string& what, const std::string& with)
{
    for (size_t at; (at = s.find(what)) != std::string::npos;) s.replace(at, what.size(), with);
    return s;
}

std::string Without(std::string s, const std::string& line)
{
    size_t at = s.find(line);
    if (at != std::string::npos) s.erase(at, s.find('\n', at) - at);
    return s;
}

// A transition that shows its program picture only: it declares "_tex0" and no "_tex1".
const char kProgramOnly[] = R"(
    float _Progress;
    texture _tex0;
    sampler s0 = sampler_state { Texture = <_tex0>; MinFilter = POINT; MagFilter = POINT; };
    pixelshader ps { bind s0 s0; asm { ps_2_0
        dcl t0
        dcl_2d s0
        texld r0, t0, s0
        mov oC0, r0 } }
    technique T { pass P { VertexShader = NULL; PixelShader = ps; } }
)";

class RenderEffectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(d3d_.Create(32, 16), S_OK);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        wchar_t name[32];
        wsprintfW(name, L"rvxfx%lu", GetCurrentProcessId());
        folder_ = CString(temp) + name;
        CreateDirectoryW(folder_, nullptr);
        CreateDirectoryW(folder_ + L"\\fx", nullptr);
        SetExeDirectoryOverride(folder_);
        CDXSimpleRenderEffect::SetDescriptionLanguageOverride(1033);

        params_.nOutputWidth = params_.nTargetWidth = 32;
        params_.nOutputHeight = params_.nTargetHeight = 16;
        params_.pDevice = d3d_.Device();
        std::memcpy(params_.matWorld, &d3d_.World(), sizeof(params_.matWorld));
        std::memcpy(params_.matViewProjection, &d3d_.ViewProjection(), sizeof(params_.matViewProjection));
    }

    void TearDown() override
    {
        CDXSimpleRenderEffect::SetDescriptionLanguageOverride(0);
        SetExeDirectoryOverride(nullptr);
        RemoveTree(folder_);
    }

    static void RemoveTree(const CString& dir)
    {
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW(dir + L"\\*", &f);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                CString n = f.cFileName;
                if (n == L"." || n == L"..") continue;
                if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(dir + L"\\" + n);
                else DeleteFileW(dir + L"\\" + n);
            } while (FindNextFileW(h, &f));
            FindClose(h);
        }
        RemoveDirectoryW(dir);
    }

    // Compiles an effect source into the test's fx folder.
    void WriteEffect(const CString& relative, const std::string& source)
    {
        fxbuild::EffectSource fx = fxbuild::ParseEffectSource(source, &fxbuild::EncodeForCodePage);
        fxbuild::ShaderCode shaders;
        for (const fxbuild::Shader& sh : fx.shaders) {
            std::string errors;
            ASSERT_TRUE(fxbuild::AssembleShader(sh, fx, shaders[sh.name], errors)) << errors;
        }
        std::vector<uint8_t> binary = fxbuild::WriteEffectBinary(fx, shaders);
        WriteBytes(relative, std::string(binary.begin(), binary.end()));
    }

    void WriteBytes(const CString& relative, const std::string& bytes)
    {
        std::ofstream out(static_cast<LPCWSTR>(folder_ + L"\\fx\\" + relative), std::ios::binary);
        out << bytes;
    }

    std::string Fixture(int id, const std::string& body = kProgramOnly) const
    {
        return Replace(kProperties, "%ID%", std::to_string(id)) + body;
    }

    rvxtest::D3DHarness d3d_;
    CString folder_;
    EffectInitParams params_ = {};
};

} // namespace

TEST_F(RenderEffectTest, PropertiesReadBackAsWritten)
{
    struct Case {
        const char* name;
        std::string source;
        bool loads;
        bool swap;
    };
    const std::string full = Fixture(7);
    const Case cases[] = {
        {"full.fxo", full, true, true},   // no _SwapWhenOver: swaps
        {"noswap.fxo", "bool _SwapWhenOver = false;\n" + full, true, false},
        {"swap.fxo", "bool _SwapWhenOver = true;\n" + full, true, true},
        {"notime.fxo", Without(full, "bool _TimeSensitivity"), false, true},
        {"noid.fxo", Without(full, "int _ID"), false, true},
        {"notype.fxo", Without(full, "int _Type"), false, true},
        {"noname.fxo", Without(full, "string _Name"), false, true},
        {"nous.fxo", Without(full, "string _Description_us"), false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteEffect(CString(c.name), c.source);
        CDXSimpleRenderEffect effect(CString(c.name));
        HRESULT hr = effect.Init(&params_);
        ASSERT_EQ(SUCCEEDED(hr), c.loads) << std::hex << hr;
        if (!c.loads) continue;
        EXPECT_EQ(effect.GetType(), 1);
        EXPECT_EQ(effect.GetID(), 7);
        EXPECT_STREQ(effect.GetName(), L"Fixture 7");
        EXPECT_STREQ(effect.GetDescription(), L"us\r\nsecond line");
        EXPECT_TRUE(effect.GetTimeSensitivity());
        EXPECT_EQ(effect.GetSwapWhenOver(), c.swap ? TRUE : FALSE);
    }
}

TEST_F(RenderEffectTest, TheDescriptionFollowsTheSystemLanguage)
{
    WriteEffect(L"chinese.fxo", Without(Fixture(3), "string _Description_us"));
    struct Case {
        LANGID language;
        bool loads;
        const wchar_t* description;
    };
    const Case cases[] = {
        {2052, true, L"cn\r\nline"}, {1028, true, L"td\r\nline"}, {3076, true, L"td\r\nline"}, {1033, false, L""},
        {1031, false, L""},
    };
    for (const Case& c : cases) {
        CDXSimpleRenderEffect::SetDescriptionLanguageOverride(c.language);
        CDXSimpleRenderEffect effect(L"chinese.fxo");
        EXPECT_EQ(SUCCEEDED(effect.Init(&params_)), c.loads) << c.language;
        if (c.loads) {
            EXPECT_STREQ(effect.GetDescription(), c.description) << c.language;
        }
    }
}

TEST_F(RenderEffectTest, InitRefusesMissingArgumentsFoldersAndBrokenFiles)
{
    CDXSimpleRenderEffect effect(L"mix.fxo");
    EXPECT_EQ(effect.Init(nullptr), E_INVALIDARG);
    EffectInitParams noDevice = params_;
    noDevice.pDevice = nullptr;
    EXPECT_EQ(effect.Init(&noDevice), E_INVALIDARG);

    WriteBytes(L"garbage.fxo", "this is not an effect file at all");
    WriteEffect(L"good.fxo", Fixture(4));
    std::ifstream in(static_cast<LPCWSTR>(folder_ + L"\\fx\\good.fxo"), std::ios::binary);
    std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WriteBytes(L"truncated.fxo", good.substr(0, good.size() / 2));
    WriteBytes(L"empty.fxo", "");
    for (const wchar_t* name : {L"garbage.fxo", L"truncated.fxo", L"empty.fxo", L"absent.fxo"}) {
        CDXSimpleRenderEffect broken(name);
        EXPECT_FALSE(SUCCEEDED(broken.Init(&params_))) << static_cast<LPCWSTR>(CString(name));
        EXPECT_EQ(broken.GetEffect(), nullptr);
    }

    SetExeDirectoryOverride(folder_ + L"\\nowhere");
    CDXSimpleRenderEffect noFolder(L"good.fxo");
    EXPECT_EQ(noFolder.Init(&params_), E_FAIL);
}

TEST_F(RenderEffectTest, TheFolderScanOffersTransitionsOnly)
{
    WriteEffect(L"one.fxo", Fixture(1));
    WriteEffect(L"_Engine.fxo", Fixture(2));          // an engine pass, never a transition
    WriteEffect(L"other.fx", Fixture(3));             // not a compiled effect's name
    WriteEffect(L"UPPER.FXO", Fixture(5));
    WriteBytes(L"broken.fxo", "FX broken");
    CreateDirectoryW(folder_ + L"\\fx\\more", nullptr);
    WriteEffect(L"more\\inner.fxo", Fixture(6));      // found in its subfolder
    WriteEffect(L"more\\_hidden.fxo", Fixture(8));
    std::map<int, CRenderEffect*> effects;
    ASSERT_EQ(LoadTransitionEffects(params_, effects), S_OK);
    std::vector<int> ids;
    for (const auto& e : effects) ids.push_back(e.first);
    EXPECT_EQ(ids, (std::vector<int>{1, 5, 6}));
    EXPECT_STREQ(effects[6]->GetName(), L"Fixture 6");

    // A later file with a taken id replaces the earlier effect.
    std::map<int, CRenderEffect*> again = effects;
    WriteEffect(L"zz_same.fxo", Fixture(1));
    ASSERT_EQ(LoadTransitionEffects(params_, again), S_OK);
    EXPECT_EQ(again.size(), 3u);
    EXPECT_NE(again[1], nullptr);
    for (auto& e : again) delete e.second;

    SetExeDirectoryOverride(folder_ + L"\\nowhere");
    std::map<int, CRenderEffect*> none;
    EXPECT_EQ(LoadTransitionEffects(params_, none), E_UNEXPECTED);
    EXPECT_TRUE(none.empty());
}

TEST_F(RenderEffectTest, MixDrawsProgramIntoPreview)
{
    SetExeDirectoryOverride(rvxtest::BuiltEffectFolder().substr(0, rvxtest::BuiltEffectFolder().size() - 3).c_str());
    CDXSimpleRenderEffect mix(L"mix.fxo");
    ASSERT_EQ(mix.Init(&params_), S_OK);
    EXPECT_EQ(mix.GetID(), 1);
    EXPECT_STREQ(mix.GetName(), L"Mix");
    EXPECT_STREQ(mix.GetDescription(), L"Mix\r\nThe program picture dissolves into the preview picture.");

    Com<IDirect3DTexture9> red, blue, target;
    ASSERT_EQ(d3d_.MakeSolid(0xFFFF0000, &red), D3D_OK);
    ASSERT_EQ(d3d_.MakeSolid(0xFF0000FF, &blue), D3D_OK);
    ASSERT_EQ(d3d_.MakeTarget(D3DFMT_X8R8G8B8, &target), D3D_OK);
    Com<IDirect3DSurface9> surface;
    ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
    IDirect3DDevice9* dev = d3d_.Device();
    EXPECT_EQ(mix.Render(nullptr), E_INVALIDARG);
    for (float progress : {0.0f, 0.5f, 1.0f}) {
        EffectRenderParams rp;
        rp.fProgress = progress;
        rp.textures = {red.get(), blue.get()};
        dev->SetRenderTarget(0, surface.get());
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        // The engine binds the screen quad before it calls the effect.
        d3d_.BindQuad();
        dev->BeginScene();
        EXPECT_EQ(mix.Render(&rp), S_OK);
        dev->EndScene();
        std::vector<DWORD> px;
        ASSERT_EQ(d3d_.ReadBack(target.get(), px), D3D_OK);
        DWORD want = progress == 0 ? 0xFFFF0000 : progress == 1 ? 0xFF0000FF : 0xFF800080;
        EXPECT_TRUE(rvxtest::Near(px[200], want, 2)) << progress << " " << rvxtest::Hex(px[200]);
    }
}

TEST_F(RenderEffectTest, AnEffectWithoutTheSecondTextureShowsTheProgram)
{
    WriteEffect(L"program.fxo", Fixture(9));
    CDXSimpleRenderEffect effect(L"program.fxo");
    ASSERT_EQ(effect.Init(&params_), S_OK);
    Com<IDirect3DTexture9> red, blue, target;
    ASSERT_EQ(d3d_.MakeSolid(0xFFFF0000, &red), D3D_OK);
    ASSERT_EQ(d3d_.MakeSolid(0xFF0000FF, &blue), D3D_OK);
    ASSERT_EQ(d3d_.MakeTarget(D3DFMT_X8R8G8B8, &target), D3D_OK);
    Com<IDirect3DSurface9> surface;
    ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
    EffectRenderParams rp;
    rp.fProgress = 0.9f;
    rp.textures = {red.get(), blue.get(), blue.get()};
    d3d_.Device()->SetRenderTarget(0, surface.get());
    d3d_.BindQuad();
    d3d_.Device()->BeginScene();
    EXPECT_EQ(effect.Render(&rp), S_OK);
    d3d_.Device()->EndScene();
    std::vector<DWORD> px;
    ASSERT_EQ(d3d_.ReadBack(target.get(), px), D3D_OK);
    EXPECT_TRUE(rvxtest::Near(px[100], 0xFFFF0000, 1)) << rvxtest::Hex(px[100]);
    FLOAT progress = 0;
    ASSERT_EQ(effect.GetEffect()->GetFloat("_Progress", &progress), D3D_OK);
    EXPECT_FLOAT_EQ(progress, 0.9f);
}

// The dialog's thread only queues a value; the drawing thread writes it into the effect.
TEST_F(RenderEffectTest, ParameterValuesReachTheEffectOnlyWhenItIsDrawn)
{
    WriteEffect(L"tuned.fxo", Fixture(11, std::string("float _Softness = 0.1;\n") + kProgramOnly));
    CDXSimpleRenderEffect effect(L"tuned.fxo");
    ASSERT_EQ(effect.Init(&params_), S_OK);
    D3DXHANDLE soft = effect.GetEffect()->GetParameterByName(nullptr, "_Softness");
    ASSERT_NE(soft, nullptr);
    std::thread dialog([&] {
        effect.SetParameterValue(soft, 0.3f);
        effect.SetParameterValue(soft, 0.4f);
    });
    dialog.join();
    FLOAT v = 0;
    effect.GetEffect()->GetFloat(soft, &v);
    EXPECT_FLOAT_EQ(v, 0.1f);
    EffectRenderParams rp;
    rp.fProgress = 0.5f;
    d3d_.BindQuad();
    EXPECT_EQ(effect.Render(&rp), S_OK);
    effect.GetEffect()->GetFloat(soft, &v);
    EXPECT_FLOAT_EQ(v, 0.4f);
}

namespace {

struct DialogLog {
    std::vector<std::string> events;
    bool empty = false;
};
DialogLog* g_log = nullptr;

class FakeDialog : public IEffectParameterDialog {
public:
    explicit FakeDialog(int n) : n_(n) { g_log->events.push_back("make " + std::to_string(n_)); }
    ~FakeDialog() override { g_log->events.push_back("delete " + std::to_string(n_)); }
    bool IsEmpty() const override { return g_log->empty; }
    bool Create(HWND) override { g_log->events.push_back("create " + std::to_string(n_)); return true; }
    void DestroyWindow() override { g_log->events.push_back("destroy " + std::to_string(n_)); }

private:
    int n_;
};

IEffectParameterDialog* MakeFakeDialog(CDXRenderEffect& effect)
{
    static int n = 0;
    EXPECT_NE(effect.GetEffect(), nullptr);
    return new FakeDialog(++n);
}

} // namespace

TEST_F(RenderEffectTest, ConfigureReplacesTheDialogWindowFirst)
{
    DialogLog log;
    g_log = &log;
    CDXRenderEffect::SetParameterDialogFactory(&MakeFakeDialog);
    WriteEffect(L"dialog.fxo", Fixture(12));
    {
        CDXSimpleRenderEffect notLoaded(L"dialog.fxo");
        EXPECT_EQ(notLoaded.Configure(nullptr), S_FALSE);
        EXPECT_TRUE(log.events.empty());

        CDXSimpleRenderEffect effect(L"dialog.fxo");
        ASSERT_EQ(effect.Init(&params_), S_OK);
        log.empty = true;
        EXPECT_EQ(effect.Configure(nullptr), S_FALSE);   // nothing to show: made and deleted
        log.empty = false;
        EXPECT_EQ(effect.Configure(nullptr), S_OK);
        EXPECT_EQ(effect.Configure(nullptr), S_OK);
    }
    const std::vector<std::string> expected = {"make 1", "delete 1", "make 2", "create 2",
                                               "destroy 2", "delete 2", "make 3", "create 3",
                                               "destroy 3", "delete 3"};
    EXPECT_EQ(log.events, expected);
    CDXRenderEffect::SetParameterDialogFactory(nullptr);
    g_log = nullptr;
}
