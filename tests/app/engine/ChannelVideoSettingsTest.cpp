// A channel's keying and colour settings: its project-file piece byte for byte, copies that
// share the matte texture safely, and when the matte is loaded, reloaded or taken from a channel.
#include <gtest/gtest.h>

#include <afx.h>

#include <cstring>
#include <vector>

#include "app/engine/ChannelVideoSettings.h"
#include "tests/support/d3d/D3DHarness.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes Store(ChannelVideoSettings& s)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        s.Serialize(ar);
        ar.Close();
    }
    Bytes out(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(out.data(), static_cast<UINT>(out.size()));
    return out;
}

void Load(const Bytes& bytes, ChannelVideoSettings& s)
{
    Bytes copy = bytes;
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()));
    CArchive ar(&file, CArchive::load);
    s.Serialize(ar);
}

void AppendFloat(Bytes& b, float f)
{
    BYTE raw[4];
    std::memcpy(raw, &f, 4);
    b.insert(b.end(), raw, raw + 4);
}

} // namespace

// Defaults: int 0; floats 0, 1, 0, 1; int 0; two empty wide strings (0xFF 0xFE 0xFF 0x00);
// floats 0.33, 0.1, 0.2; the range 0, 1, 0, 1. 60 bytes.
TEST(ChannelVideoSettingsTest, DefaultPieceMatchesTheStoredLayout)
{
    ChannelVideoSettings s;
    Bytes expected = {0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0x80, 0x3F,  0, 0, 0, 0,  0, 0, 0x80, 0x3F,  0, 0, 0, 0,
                      0xFF, 0xFE, 0xFF, 0x00,  0xFF, 0xFE, 0xFF, 0x00,
                      0xC3, 0xF5, 0xA8, 0x3E,  0xCD, 0xCC, 0xCC, 0x3D,  0xCD, 0xCC, 0x4C, 0x3E,
                      0, 0, 0, 0,  0, 0, 0x80, 0x3F,  0, 0, 0, 0,  0, 0, 0x80, 0x3F};
    EXPECT_EQ(Store(s), expected);
}

TEST(ChannelVideoSettingsTest, PieceWithValuesReadsBackInItsOrder)
{
    // Written by hand: colour on, brightness 0.5, contrast 2, hue -90, saturation 0.25, key on,
    // loaded source "CHANNEL:2", key source "C:\背景.png", centre 0.6, width 0.05, minimum
    // saturation 0.3, range 0.1 0.9 0.2 0.8.
    Bytes b = {1, 0, 0, 0};
    AppendFloat(b, 0.5f);
    AppendFloat(b, 2.0f);
    AppendFloat(b, -90.0f);
    AppendFloat(b, 0.25f);
    b.insert(b.end(), {1, 0, 0, 0});
    b.insert(b.end(), {0xFF, 0xFE, 0xFF, 9});
    for (char c : std::string("CHANNEL:2")) b.insert(b.end(), {static_cast<BYTE>(c), 0});
    b.insert(b.end(), {0xFF, 0xFE, 0xFF, 9});
    for (wchar_t c : std::wstring(L"C:\\\u80CC\u666F.png")) b.insert(b.end(), {static_cast<BYTE>(c & 0xFF), static_cast<BYTE>(c >> 8)});
    for (float f : {0.6f, 0.05f, 0.3f, 0.1f, 0.9f, 0.2f, 0.8f}) AppendFloat(b, f);

    ChannelVideoSettings s;
    Load(b, s);
    EXPECT_EQ(s.bColorAdjust, 1);
    EXPECT_FLOAT_EQ(s.fBrightness, 0.5f);
    EXPECT_FLOAT_EQ(s.fContrast, 2.0f);
    EXPECT_FLOAT_EQ(s.fHue, -90.0f);
    EXPECT_FLOAT_EQ(s.fSaturation, 0.25f);
    EXPECT_EQ(s.bKey, 1);
    EXPECT_STREQ(s.strLoadedMatteSource, L"CHANNEL:2");
    EXPECT_STREQ(s.strKeySource, L"C:\\\u80CC\u666F.png");
    EXPECT_FLOAT_EQ(s.fHueCenter, 0.6f);
    EXPECT_FLOAT_EQ(s.fHueWidth, 0.05f);
    EXPECT_FLOAT_EQ(s.fMinSaturation, 0.3f);
    EXPECT_FLOAT_EQ(s.fRange[3], 0.8f);
    EXPECT_FLOAT_EQ(s.MinHue(), 0.55f);
    EXPECT_FLOAT_EQ(s.MaxHue(), 0.65f);
    EXPECT_EQ(Store(s), b);
}

TEST(ChannelVideoSettingsTest, ShortPieceThrowsAndKeepsTheRecord)
{
    ChannelVideoSettings s;
    s.fContrast = 3.0f;
    Bytes b = {1, 0, 0, 0};
    AppendFloat(b, 0.5f);
    try {
        Load(b, s);
        ADD_FAILURE() << "a short piece was accepted";
    } catch (CArchiveException* e) {
        EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
        e->Delete();
    }
    EXPECT_EQ(s.bColorAdjust, 0);
    EXPECT_FLOAT_EQ(s.fContrast, 3.0f);
}

TEST(ChannelVideoSettingsTest, CopiesHoldTheirOwnReferenceOnTheMatte)
{
    rvxtest::D3DHarness d3d;
    ASSERT_EQ(d3d.Create(16, 16), S_OK);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(d3d.MakeSolid(0xFF00FF00, &texture), D3D_OK);
    auto refs = [texture] { texture->AddRef(); return texture->Release(); };
    {
        ChannelVideoSettings a;
        a.pMatteTexture = texture;
        texture->AddRef();
        EXPECT_EQ(refs(), 2u);
        {
            ChannelVideoSettings b(a);
            ChannelVideoSettings c;
            c = a;
            c = c;
            EXPECT_EQ(refs(), 4u);
            EXPECT_EQ(b.pMatteTexture, texture);
            std::vector<ChannelVideoSettings> grown(3, a);   // an array resize copies records
            grown.resize(10);
            EXPECT_EQ(refs(), 7u);
        }
        EXPECT_EQ(refs(), 2u);
    }
    EXPECT_EQ(refs(), 1u);
    texture->Release();
}

namespace {

// A matte loader that counts its calls and hands out one texture per path that "exists".
struct FakeLoader {
    IDirect3DTexture9* texture = nullptr;
    std::vector<CString> calls;
    ChannelVideoSettings::MatteLoader Get()
    {
        return [this](LPCWSTR path, IDirect3DTexture9** out) -> HRESULT {
            calls.push_back(path);
            if (CString(path).Find(L"missing") >= 0) return E_FAIL;
            texture->AddRef();
            *out = texture;
            return S_OK;
        };
    }
};

} // namespace

TEST(ChannelVideoSettingsTest, MatteIsLoadedOnceAndReloadedWhenTheSourceChanges)
{
    rvxtest::D3DHarness d3d;
    ASSERT_EQ(d3d.Create(16, 16), S_OK);
    IDirect3DTexture9* picture = nullptr;
    ASSERT_EQ(d3d.MakeSolid(0xFF0000FF, &picture), D3D_OK);
    FakeLoader loader;
    loader.texture = picture;
    auto noChannels = [](int) -> IDirect3DTexture9* { return nullptr; };
    {
        // As loaded from a project: the source was loaded before, the texture is not stored.
        ChannelVideoSettings s;
        s.bKey = 1;
        s.strKeySource = L"C:\\a.png";
        s.strLoadedMatteSource = L"C:\\a.png";
        EXPECT_EQ(s.FindMatte(5, noChannels, loader.Get()), picture);
        EXPECT_EQ(s.FindMatte(5, noChannels, loader.Get()), picture);
        ASSERT_EQ(loader.calls.size(), 1u);
        s.strKeySource = L"C:\\b.png";
        EXPECT_EQ(s.FindMatte(5, noChannels, loader.Get()), picture);
        ASSERT_EQ(loader.calls.size(), 2u);
        EXPECT_STREQ(loader.calls[1], L"C:\\b.png");
        EXPECT_STREQ(s.strLoadedMatteSource, L"C:\\b.png");
        s.strKeySource = L"C:\\b.png";
        s.FindMatte(5, noChannels, loader.Get());
        EXPECT_EQ(loader.calls.size(), 2u);

        // A picture that cannot be loaded is tried once, not on every frame.
        s.strKeySource = L"C:\\missing.png";
        EXPECT_EQ(s.FindMatte(5, noChannels, loader.Get()), nullptr);
        EXPECT_EQ(s.FindMatte(5, noChannels, loader.Get()), nullptr);
        EXPECT_EQ(loader.calls.size(), 3u);
        s.strKeySource = L"C:\\a.png";
        EXPECT_EQ(s.FindMatte(5, noChannels, loader.Get()), picture);
        EXPECT_EQ(loader.calls.size(), 4u);

        // An empty source has no matte and loads nothing.
        s.strKeySource.Empty();
        EXPECT_EQ(s.FindMatte(5, noChannels, loader.Get()), nullptr);
        EXPECT_EQ(loader.calls.size(), 4u);
    }
    // Every texture handed out was released with the record.
    picture->AddRef();
    EXPECT_EQ(picture->Release(), 1u);
    picture->Release();
}

TEST(ChannelVideoSettingsTest, ChannelMattesComeFromAttachedInputsOnly)
{
    IDirect3DTexture9* const fake[5] = {reinterpret_cast<IDirect3DTexture9*>(0x10), nullptr,
                                        reinterpret_cast<IDirect3DTexture9*>(0x30),
                                        reinterpret_cast<IDirect3DTexture9*>(0x40),
                                        reinterpret_cast<IDirect3DTexture9*>(0x50)};
    auto channel = [&fake](int i) { return fake[i]; };
    FakeLoader loader;
    struct Case {
        const wchar_t* source;
        IDirect3DTexture9* matte;
    };
    const Case cases[] = {
        {L"CHANNEL:1", fake[0]},   // a channel may use its own picture
        {L"CHANNEL:5", fake[4]},
        {L"CHANNEL:2", nullptr},   // input 2 has no channel
        {L"CHANNEL:9", nullptr},   // beyond the five inputs
        {L"CHANNEL:0", nullptr},
        {L"CHANNEL:x", nullptr},
    };
    for (const Case& c : cases) {
        ChannelVideoSettings s;
        s.bKey = 1;
        s.strKeySource = c.source;
        EXPECT_EQ(s.FindMatte(5, channel, loader.Get()), c.matte) << static_cast<LPCWSTR>(c.source);
        EXPECT_STREQ(s.strLoadedMatteSource, c.source);
        s.pMatteTexture = nullptr;
    }
    EXPECT_TRUE(loader.calls.empty());
}
