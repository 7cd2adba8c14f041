// The overlay scene on a real Direct3D 9 device: layers drawn in z order over a frame, equal
// depths, opacity, colour keys, logos in the four corners, hide and show, moving layers at
// chosen times of an injected clock, passes and repeats, days of running, and layers added
// and removed from another thread while the clock renders.
#include "app/core/EngineClock.h"
#include "app/captions/CharTextStyle.h"
#include "app/captions/LISScene.h"
#include "tests/app/captions/D3DTarget.h"
#include "tests/app/captions/GdiCanvas.h"
#include "tests/app/captions/PictureFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

using fixtures::D3DTarget;
using fixtures::GdiCanvas;

namespace {

constexpr int TW = 320, TH = 240;
constexpr D3DCOLOR kBackground = D3DCOLOR_XRGB(0, 0, 0);

// DIB pixels are 0x00RRGGBB.
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kYellow = 0xFFFF00;

bool Near(uint32_t a, uint32_t b, int tolerance = 3)
{
    for (int s = 0; s < 24; s += 8)
        if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tolerance) return false;
    return true;
}

// The millisecond clock the layers time their passes by, moved by hand.
std::atomic<DWORD> g_sceneNow{1000};
DWORD SceneClock()
{
    return g_sceneNow.load();
}

class OverlayScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(target.device, nullptr) << "no Direct3D 9 device (Xvfb display?)";
        ASSERT_EQ(scene.SetTarget(target.device, TW, TH, nullptr), S_OK);
        now = 1000;
        EngineClock::SetSource(&SceneClock);
    }

    // A static (or moving) layer of one solid colour, made through a device context as the
    // caption editor makes its text layers.
    CLISLayer* Solid(uint32_t rgb, int w, int h, float x, float y, int motion = 0, int speed = 0, int stay = 0,
                     int alpha = 100, COLORREF key = RGB(255, 0, 255), BYTE keyed = 1)
    {
        GdiCanvas dc(w, h, rgb);
        CLISLayer* layer = new CLISLayer(&scene, CLISLayer::kKindFromDC, motion, x, y, speed, stay, w, h, 100, alpha,
                                         key, keyed, 2);
        EXPECT_TRUE(layer->CopyFromDC(dc.dc));
        return layer;
    }

    HRESULT Draw()
    {
        return target.Frame(kBackground, [this](IDirect3DDevice9* d) { return scene.Render(d, 0); });
    }

    D3DTarget target{TW, TH};
    CLISScene scene;
    void TearDown() override { EngineClock::SetSource(nullptr); }

    std::atomic<DWORD>& now = g_sceneNow;
};

std::wstring TempFile(const wchar_t* name, const fixtures::Bytes& bytes)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + name;
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    return path;
}

} // namespace

TEST_F(OverlayScene, LayersDrawInZOrderAndEqualDepthsBothDraw)
{
    CLISLayer* first = Solid(kRed, 60, 40, 0.1f, 0.1f);   // automatic z: 4.0
    CLISLayer* second = Solid(kBlue, 60, 40, 0.2f, 0.2f); // automatic z: 5.0, drawn first
    scene.AddLayer(first);
    scene.AddLayer(second);
    EXPECT_EQ(first->GetZ(), 4.0f);
    EXPECT_EQ(second->GetZ(), 5.0f);
    ASSERT_EQ(Draw(), S_OK);
    EXPECT_EQ(target.At(40, 30), kRed);  // the overlap: the 4.0 layer covers the 5.0 one
    EXPECT_EQ(target.At(90, 70), kBlue); // only the 5.0 layer
    EXPECT_EQ(target.At(5, 5), 0u);

    // Subtitle at 1.0, a caption page then takes 2.0, then logo 1 comes on at its fixed 2.0.
    CLISScene& s = scene;
    s.ClearLayers();
    CLISLayer* subtitle = Solid(kGreen, 40, 20, 0.0f, 0.8f);
    subtitle->SetZ(1.0f);
    s.AddLayer(subtitle);
    CLISLayer* caption = Solid(kYellow, 40, 20, 0.4f, 0.4f);
    s.AddLayer(caption);
    EXPECT_EQ(caption->GetZ(), 2.0f);
    CLISLayer* logo = Solid(kWhite, 40, 20, 0.8f, 0.0f);
    logo->SetZ(2.0f);
    s.AddLayer(logo);
    ASSERT_EQ(Draw(), S_OK);
    EXPECT_EQ(target.At(10, 200), kGreen);
    EXPECT_EQ(target.At(140, 106), kYellow);
    EXPECT_EQ(target.At(266, 10), kWhite);
}

TEST_F(OverlayScene, OpacityColourKeyAndStageStatesRestored)
{
    // Half opacity over black: the texture stage multiplies the layer alpha in.
    scene.AddLayer(Solid(kWhite, 40, 40, 0.0f, 0.0f, 0, 0, 0, 50));
    // Keyed: the key colour vanishes.
    scene.AddLayer(Solid(0xFF00FF, 40, 40, 0.5f, 0.0f, 0, 0, 0, 100, RGB(255, 0, 255), 1));
    // Not keyed and see-through: key pixels are drawn at half their alpha.
    scene.AddLayer(Solid(0xFF00FF, 40, 40, 0.0f, 0.5f, 0, 0, 0, 60, RGB(255, 0, 255), 0));
    scene.AddLayer(Solid(kRed, 40, 40, 0.5f, 0.5f, 0, 0, 0, 60, RGB(255, 0, 255), 0));

    target.device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    target.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    ASSERT_EQ(Draw(), S_OK);
    EXPECT_TRUE(Near(target.At(20, 20), 0x7F7F7F)) << std::hex << target.At(20, 20);
    EXPECT_EQ(target.At(180, 20), 0u);
    const int halfOf60 = 153 * 127 / 255; // vertex alpha 60 % x texel alpha 0x7F
    EXPECT_TRUE(Near(target.At(20, 140), uint32_t(halfOf60 << 16 | halfOf60))) << std::hex << target.At(20, 140);
    EXPECT_TRUE(Near(target.At(180, 140), 153u << 16)) << std::hex << target.At(180, 140);

    DWORD op = 0;
    target.device->GetTextureStageState(0, D3DTSS_ALPHAOP, &op);
    EXPECT_EQ(op, DWORD(D3DTOP_SELECTARG1));
    target.device->GetTextureStageState(0, D3DTSS_COLOROP, &op);
    EXPECT_EQ(op, DWORD(D3DTOP_SELECTARG1));
}

TEST_F(OverlayScene, LogosSitInEachCorner)
{
    const float margin = 0.05f; // 16 px across, 12 px down on 320 x 240
    const struct {
        float x, y;
        int anchor;
        RECT expected;
    } corners[] = {
        {margin, margin, CLISLayer::kAnchorTopLeft, {16, 12, 36, 22}},
        {1 - margin, margin, CLISLayer::kAnchorTopRight, {284, 12, 304, 22}},
        {1 - margin, 1 - margin, CLISLayer::kAnchorBottomRight, {284, 218, 304, 228}},
        {margin, 1 - margin, CLISLayer::kAnchorBottomLeft, {16, 218, 36, 228}},
    };
    for (const auto& c : corners) {
        scene.ClearLayers();
        CLISLayer* logo = Solid(kWhite, 20, 10, 0, 0);
        logo->SetZ(2.0f);
        logo->SetPosition(c.x, c.y, c.anchor);
        scene.AddLayer(logo);
        ASSERT_EQ(Draw(), S_OK);
        const RECT& e = c.expected;
        EXPECT_EQ(target.At(e.left, e.top), kWhite) << c.anchor;
        EXPECT_EQ(target.At(e.right - 1, e.bottom - 1), kWhite) << c.anchor;
        EXPECT_EQ(target.At(e.left - 1, e.top), 0u) << c.anchor;
        EXPECT_EQ(target.At(e.right, e.bottom - 1), 0u) << c.anchor;
        EXPECT_EQ(target.At(e.left, e.bottom), 0u) << c.anchor;
    }
    // The right edge of a 100-pixel layer anchored at x = 1.0 of a 720 target is the target's edge.
    CLISScene wide(720, 576, nullptr);
    CLISLayer edge(&wide, 0, 0, 0, 0, 0, 0, 100, 50, 100, 100, 0, 0, 1);
    edge.SetPosition(1.0f, 0.0f, CLISLayer::kAnchorTopRight);
    EXPECT_EQ(captions::FractionToPixels(720, edge.GetX()) + 100, 720);
}

TEST_F(OverlayScene, HideAndShowAndNothingToDraw)
{
    CLISScene bare;
    EXPECT_EQ(bare.Render(target.device, 0), E_INVALIDARG); // no device
    EXPECT_EQ(Draw(), E_INVALIDARG);                       // no layers

    CLISLayer* logo = Solid(kGreen, 20, 20, 0.5f, 0.5f);
    scene.AddLayer(logo);
    ASSERT_EQ(Draw(), S_OK);
    EXPECT_EQ(target.At(165, 125), kGreen);
    scene.RemoveLayer(logo);
    EXPECT_FALSE(scene.Contains(logo));
    EXPECT_EQ(Draw(), E_INVALIDARG);
    EXPECT_EQ(target.At(165, 125), 0u);
    scene.AddLayer(logo);
    ASSERT_EQ(Draw(), S_OK);
    EXPECT_EQ(target.At(165, 125), kGreen);
}

TEST_F(OverlayScene, MovingLayersAtChosenTimes)
{
    CLISLayer* ticker = Solid(kYellow, 40, 20, 0.0f, 0.5f, captions::kMotionRightToLeft, 100);
    CLISLayer* drop = Solid(kBlue, 20, 40, 0.25f, 0.0f, captions::kMotionTopToBottom, 50);
    scene.AddLayer(ticker);
    scene.AddLayer(drop);
    ASSERT_EQ(Draw(), S_OK); // both passes begin at 1000
    now = 2000;              // ticker: left edge at 320 - 100; drop: bottom edge at 50
    ASSERT_EQ(Draw(), S_OK);
    EXPECT_EQ(target.At(220, 125), kYellow);
    EXPECT_EQ(target.At(259, 125), kYellow);
    EXPECT_EQ(target.At(219, 125), 0u);
    EXPECT_EQ(target.At(260, 125), 0u);
    EXPECT_EQ(target.At(85, 49), kBlue);
    EXPECT_EQ(target.At(85, 50), 0u);
    EXPECT_EQ(target.At(85, 10), kBlue);
    EXPECT_EQ(target.At(85, 9), 0u);
    now = 3000;
    ASSERT_EQ(Draw(), S_OK);
    EXPECT_EQ(target.At(120, 125), kYellow);
    EXPECT_EQ(target.At(160, 125), 0u);
    EXPECT_EQ(target.At(85, 99), kBlue);
    EXPECT_EQ(target.At(85, 59), 0u);

    // The go-and-return motions with speed 0 never move, never end, never divide by zero.
    scene.ClearLayers();
    CLISLayer* still = Solid(kWhite, 20, 20, 0.5f, 0.5f, captions::kMotionLeftRightBack, 0, 2);
    scene.AddLayer(still);
    for (DWORD t = 0; t < 5; ++t) {
        now = 4000 + t * 1000;
        Draw();
    }
    EXPECT_TRUE(scene.Contains(still));
    EXPECT_FALSE(still->IsFinished());
}

TEST_F(OverlayScene, EveryMotionsTargetAtChosenTimesOfTheSceneClock)
{
    // 40 x 20 layers at (0.5, 0.5) of 320 x 240, 100 px/s, staying 1 s at a turning point.
    const struct {
        int motion;
        DWORD at;
        RECT target;
    } cases[] = {
        {1, 2000, {60, 120, 100, 140}},  {2, 2000, {220, 120, 260, 140}}, {3, 2000, {160, 80, 200, 100}},
        {4, 2000, {160, 140, 200, 160}}, {5, 2000, {60, 120, 100, 140}},  {5, 3000, {120, 120, 160, 140}},
        {5, 4000, {80, 120, 120, 140}},  {6, 3000, {160, 120, 200, 140}}, {7, 3000, {160, 100, 200, 120}},
        {8, 3000, {160, 120, 200, 140}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CLISLayer> layer(Solid(kWhite, 40, 20, 0.5f, 0.5f, c.motion, 100, 1));
        RECT source, target = {0, 0, TW, TH};
        now = 1000; // the pass begins
        EXPECT_EQ(layer->GetFrame(&source, &target), nullptr);
        now = c.at;
        target = {0, 0, TW, TH};
        EXPECT_NE(layer->GetFrame(&source, &target), nullptr) << c.motion << " at " << c.at;
        EXPECT_TRUE(EqualRect(&target, &c.target)) << c.motion << " at " << c.at << ": " << target.left << ","
                                                   << target.top << "," << target.right << "," << target.bottom;
        EXPECT_EQ(source.right - source.left, target.right - target.left);
    }
}

TEST_F(OverlayScene, StaticLayerStaysItsTimeThenIsDroppedButNotDeleted)
{
    CLISLayer* layer = Solid(kRed, 20, 20, 0, 0, 0, 0, 3);
    layer->SetStartDelay(1);
    scene.AddLayer(layer);
    now = 1000;
    Draw(); // pass begins; 1 s of start delay
    EXPECT_EQ(target.At(5, 5), 0u);
    now = 2000;
    Draw();
    EXPECT_EQ(target.At(5, 5), kRed);
    now = 4999;
    Draw();
    EXPECT_EQ(target.At(5, 5), kRed);
    now = 5000;
    Draw();
    EXPECT_EQ(target.At(5, 5), 0u);
    EXPECT_TRUE(layer->IsFinished());
    EXPECT_FALSE(scene.Contains(layer));
    scene.RemoveLayer(layer); // its user still owns it
    delete layer;
}

TEST_F(OverlayScene, SecondPassWaitsDelayPlusInterval)
{
    CLISLayer* layer = Solid(kRed, 20, 20, 0, 0, 0, 0, 1);
    layer->SetStartDelay(1);
    layer->SetRepeatCount(2);
    layer->SetRepeatInterval(2);
    scene.AddLayer(layer);
    const struct {
        DWORD t;
        bool shown;
    } timeline[] = {
        {1000, false}, {2000, true}, {2999, true}, {3000, false}, // first pass ends at 3000
        {3000, false}, {5999, false}, {6000, true}, {6999, true}, {7000, false},
    };
    for (const auto& step : timeline) {
        now = step.t;
        Draw();
        EXPECT_EQ(target.At(5, 5), step.shown ? kRed : 0u) << step.t;
    }
    EXPECT_TRUE(layer->IsFinished());
    EXPECT_EQ(layer->GetStartDelay(), 3);
    delete layer;
}

TEST_F(OverlayScene, LogosAndSubtitleOutliveDaysAndTheTickWrap)
{
    now = 0xFFFF0000u; // the tick counter wraps a minute into the run
    CLISLayer* logo = Solid(kWhite, 20, 20, 0.0f, 0.0f);
    CLISLayer* subtitle = Solid(kGreen, 40, 20, 0.25f, 0.8f);
    scene.AddLayer(logo);
    scene.AddLayer(subtitle);
    const DWORD hour = 3600u * 1000u;
    // Every output frame is drawn, so the clock advances in steps well under the wrap.
    for (DWORD h = 0; h <= 24 * 60; h += 3) {
        now = now.load() + 3 * hour;
        ASSERT_EQ(Draw(), S_OK) << h;
        if (h % 168 == 0 || h > 24 * 59) {
            EXPECT_EQ(target.At(5, 5), kWhite) << "hour " << h;
            EXPECT_EQ(target.At(90, 200), kGreen) << "hour " << h;
        }
    }
    EXPECT_TRUE(scene.Contains(logo));
    EXPECT_TRUE(scene.Contains(subtitle));
}

TEST_F(OverlayScene, PictureLayersFromFilesAndBytes)
{
    // A GIF plays every frame; a delay of 5 (50 ms) plays at 100 ms a frame.
    const std::wstring gif = TempFile(L"rvx_scene_anim.gif", fixtures::Gif3Frames());
    CLISLayer* anim = new CLISLayer(gif.c_str(), &scene, CLISLayer::kKindAnimation, 0, 0.5f, 0.5f, 0, 0, 10, 100, 0, 0, 1);
    EXPECT_EQ(anim->GetFrameCount(), 3u);
    EXPECT_EQ(anim->GetPeriod(), 100);
    EXPECT_EQ(anim->GetWidth(), 2);
    scene.AddLayer(anim);
    const struct {
        DWORD t;
        uint32_t topLeft, bottomRight;
    } frames[] = {{1000, kRed, 0}, {1100, kRed, kGreen}, {1200, kBlue, 0x000000}, {1300, kRed, 0}};
    for (const auto& f : frames) {
        now = f.t;
        ASSERT_EQ(Draw(), S_OK);
        EXPECT_EQ(target.At(160, 120), f.topLeft) << f.t;
        EXPECT_EQ(target.At(161, 121), f.bottomRight) << f.t;
    }
    scene.RemoveLayer(anim);
    delete anim;

    // A logo from a BMP file keyed white: the white pixel shows the frame below.
    const std::wstring bmp = TempFile(L"rvx_scene_logo.bmp", fixtures::Bmp2x2());
    CLISLayer* logo = new CLISLayer(bmp.c_str(), &scene, CLISLayer::kKindPicture, 0, 0.0f, 0.0f, 0, 0, 0, 100,
                                    RGB(255, 255, 255), 1, 1);
    EXPECT_EQ(logo->GetWidth(), 2);
    scene.AddLayer(logo);
    // A TGA from bytes keeps its own alpha: its clear pixel shows the frame below.
    const fixtures::Bytes tga = fixtures::Tga2x2();
    CLISLayer* sprite = new CLISLayer(tga.data(), DWORD(tga.size()), &scene, CLISLayer::kKindPicture, 0, 0.1f, 0.0f, 0,
                                      0, 0, 100, 0, 0, 1);
    EXPECT_EQ(sprite->GetFrameCount(), 1u);
    scene.AddLayer(sprite);
    ASSERT_EQ(target.Frame(D3DCOLOR_XRGB(0x40, 0x40, 0x40), [this](IDirect3DDevice9* d) { return scene.Render(d, 0); }),
              S_OK);
    EXPECT_EQ(target.At(0, 0), kRed);
    EXPECT_EQ(target.At(0, 1), kBlue);
    EXPECT_EQ(target.At(1, 1), 0x404040u);
    EXPECT_EQ(target.At(32, 0), kRed);
    EXPECT_EQ(target.At(33, 0), 0x404040u);
    EXPECT_EQ(target.At(32, 1), kBlue);

    // A file that is no picture gives a layer without frames: it draws nothing and never ends.
    const std::wstring junk = TempFile(L"rvx_scene_junk.png", fixtures::Bytes{'n', 'o', 'p', 'e'});
    CLISLayer* empty = new CLISLayer(junk.c_str(), &scene, 1, 0, 0, 0, 0, 0, 0, 100, 0, 0, 1);
    EXPECT_EQ(empty->GetFrameCount(), 0u);
    scene.AddLayer(empty);
    now = 100000;
    Draw();
    EXPECT_TRUE(scene.Contains(empty));
    for (const std::wstring& p : {gif, bmp, junk}) DeleteFileW(p.c_str());
}

TEST_F(OverlayScene, LayersComeAndGoFromAnotherThreadWhileTheClockRenders)
{
    CLISLayer* logo = Solid(kWhite, 20, 20, 0, 0);
    scene.AddLayer(logo);
    std::atomic<bool> done{false};
    std::atomic<int> frames{0};
    std::thread clock([&] {
        while (!done.load()) {
            now = now.load() + 40;
            target.device->BeginScene();
            scene.Render(target.device, 0);
            target.device->EndScene();
            ++frames;
        }
    });
    std::vector<CLISLayer*> kept;
    for (int i = 0; i < 200; ++i) {
        CLISLayer* layer = Solid(kRed, 16, 16, float(i % 10) / 10, 0.5f, i % 9, 200, 1);
        scene.AddLayer(layer);
        if (i % 4 == 0) {
            kept.push_back(layer);
            continue;
        }
        scene.RemoveLayer(layer);
        delete layer;
    }
    // Let the clock catch up with what is now in the scene before checking.
    const int seen = frames.load();
    while (frames.load() < seen + 3) std::this_thread::yield();
    done = true;
    clock.join();
    EXPECT_TRUE(scene.Contains(logo));
    for (CLISLayer* layer : kept) {
        if (scene.Contains(layer)) continue;
        EXPECT_TRUE(layer->IsFinished()); // only a layer whose pass ended leaves by itself
        delete layer;
    }
}

TEST_F(OverlayScene, TextCaptionLayerShowsItsTextWithTheBackgroundKeyedOut)
{
    // As caption text objects become layers: drawn with the background forced, keyed on the
    // background colour unless the background is to be shown.
    CharTextStyle style;
    style.SetDefault();
    wcscpy(style.font.lfFaceName, L"Tahoma");
    style.font.lfCharSet = DEFAULT_CHARSET;
    style.font.lfQuality = NONANTIALIASED_QUALITY;
    style.backgroundColour = RGB(0, 0, 255);
    style.outlineWidth = 0;
    const int w = 120, h = 40;
    GdiCanvas dc(w, h, 0);
    const RECT rect = {0, 0, w, h};
    style.DrawText(dc.dc, L"WWW", rect, 0, true);
    CLISLayer* caption = new CLISLayer(&scene, CLISLayer::kKindFromDC, 0, 0.25f, 0.25f, 100, 0, w, h, 100,
                                       style.opacity, style.backgroundColour, style.background != 1, style.filter);
    ASSERT_TRUE(caption->CopyFromDC(dc.dc));
    scene.AddLayer(caption);
    ASSERT_EQ(target.Frame(D3DCOLOR_XRGB(0x40, 0x40, 0x40), [this](IDirect3DDevice9* d) { return scene.Render(d, 0); }),
              S_OK);
    int text = 0, keyed = 0, other = 0;
    for (int y = 60; y < 60 + h; ++y)
        for (int x = 80; x < 80 + w; ++x) {
            const uint32_t p = target.At(x, y);
            if (p == kWhite) ++text;
            else if (p == 0x404040) ++keyed;
            else ++other;
        }
    EXPECT_GT(text, 30);
    EXPECT_GT(keyed, w * h / 2);
    EXPECT_EQ(other, 0); // no trace of the blue background
}

TEST(OverlaySceneTexture, PowerOfTwoDevicesGetRoundedTextures)
{
    D3DCAPS9 caps = {};
    UINT w = 0, h = 0;
    caps.TextureCaps = D3DPTEXTURECAPS_POW2;
    captions::RenderTextureSize(caps, 720, 576, w, h);
    EXPECT_EQ(w, 1024u);
    EXPECT_EQ(h, 1024u);
    captions::RenderTextureSize(caps, 1, 0, w, h);
    EXPECT_EQ(w, 1u);
    EXPECT_EQ(h, 1u);
    caps.TextureCaps = 0;
    captions::RenderTextureSize(caps, 720, 576, w, h);
    EXPECT_EQ(w, 720u);
    EXPECT_EQ(h, 576u);
}

// Picture files of a few dozen bytes that claim 16 Mpixels (a GIF screen around one pixel, a
// run-length BMP that ends at once) once gave layers of two 64 MiB surfaces each; they are
// refused before any surface is made, and the layer draws nothing.
TEST_F(OverlayScene, PictureFilesClaimingHugeSizesGiveLayersWithoutFrames)
{
    const std::wstring gif = TempFile(L"rvx_scene_huge.gif", fixtures::TinyGif(4096, 4096, 1));
    const std::wstring bmp = TempFile(L"rvx_scene_huge.bmp", fixtures::TinyRleBmp(4096, 4096));
    for (const std::wstring* path : {&gif, &bmp}) {
        CLISLayer layer(path->c_str(), &scene, CLISLayer::kKindPicture, 0, 0, 0, 0, 0, 10, 100, 0, 0, 1);
        EXPECT_EQ(layer.GetFrameCount(), 0u) << (path == &gif ? "gif" : "bmp");
    }
    // Within the cap both load.
    const std::wstring small = TempFile(L"rvx_scene_small.bmp", fixtures::TinyRleBmp(64, 32));
    CLISLayer layer(small.c_str(), &scene, CLISLayer::kKindPicture, 0, 0, 0, 0, 0, 10, 100, 0, 0, 1);
    EXPECT_EQ(layer.GetFrameCount(), 1u);
    EXPECT_EQ(layer.GetWidth(), 64);
    for (const std::wstring& p : {gif, bmp, small}) DeleteFileW(p.c_str());
}
