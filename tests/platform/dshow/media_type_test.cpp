#include <streams.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Counts references so copies and frees of a media type's pUnk can be checked.
class CountingUnknown : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    ULONG refs = 1;
};

CMediaType VideoType(LONG width, LONG height) {
    CMediaType mt(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&FORMAT_VideoInfo);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    std::memset(vih, 0, sizeof(*vih));
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = width;
    vih->bmiHeader.biHeight = height;
    vih->bmiHeader.biBitCount = 32;
    mt.SetSampleSize(width * height * 4);
    return mt;
}

TEST(MediaTypeHelpersTest, CopyCreateFreeAndDelete) {
    CountingUnknown unk;
    CMediaType source = VideoType(720, 576);
    source.pUnk = &unk;
    unk.AddRef();

    AM_MEDIA_TYPE copy;
    ASSERT_EQ(S_OK, CopyMediaType(&copy, &source));
    EXPECT_NE(source.pbFormat, copy.pbFormat);  // the format block is duplicated
    EXPECT_EQ(0, std::memcmp(source.pbFormat, copy.pbFormat, sizeof(VIDEOINFOHEADER)));
    EXPECT_EQ(3u, unk.refs);
    FreeMediaType(copy);
    EXPECT_EQ(nullptr, copy.pbFormat);
    EXPECT_EQ(0u, copy.cbFormat);
    EXPECT_EQ(nullptr, copy.pUnk);
    EXPECT_EQ(2u, unk.refs);

    AM_MEDIA_TYPE* created = CreateMediaType(&source);
    ASSERT_NE(nullptr, created);
    EXPECT_TRUE(CMediaType(*created) == source);
    EXPECT_EQ(3u, unk.refs);
    DeleteMediaType(created);
    EXPECT_EQ(2u, unk.refs);
    DeleteMediaType(nullptr);
    EXPECT_EQ(nullptr, CreateMediaType(nullptr));
    EXPECT_EQ(E_POINTER, CopyMediaType(nullptr, &source));

    source.ResetFormatBuffer();
    source.pUnk->Release();
    source.pUnk = nullptr;
}

TEST(CMediaTypeTest, EqualityComparesTypesAndFormatBytes) {
    const CMediaType base = VideoType(720, 576);
    struct Case {
        const char* change;
        void (*apply)(CMediaType&);
        bool equal;
    } cases[] = {
        {"nothing", [](CMediaType&) {}, true},
        {"sample size only", [](CMediaType& m) { m.SetSampleSize(7); }, true},
        {"major type", [](CMediaType& m) { m.SetType(&MEDIATYPE_Audio); }, false},
        {"subtype", [](CMediaType& m) { m.SetSubtype(&MEDIASUBTYPE_YUY2); }, false},
        {"format type", [](CMediaType& m) { m.SetFormatType(&FORMAT_VideoInfo2); }, false},
        {"format byte", [](CMediaType& m) { reinterpret_cast<VIDEOINFOHEADER*>(m.Format())->bmiHeader.biWidth = 1; }, false},
        {"format length", [](CMediaType& m) { m.ReallocFormatBuffer(sizeof(VIDEOINFOHEADER) + 4); }, false},
        {"no format", [](CMediaType& m) { m.ResetFormatBuffer(); }, false},
    };
    for (const Case& c : cases) {
        CMediaType other(base);
        c.apply(other);
        EXPECT_EQ(c.equal, other == base) << c.change;
        EXPECT_EQ(!c.equal, other != base) << c.change;
    }
}

TEST(CMediaTypeTest, CopiesOwnTheirFormatAndAssignmentReplacesIt) {
    CMediaType a = VideoType(320, 240);
    CMediaType b(a);
    EXPECT_NE(a.Format(), b.Format());
    CMediaType c;
    EXPECT_FALSE(c.IsValid());
    EXPECT_TRUE(c.IsFixedSize());
    EXPECT_EQ(1u, c.GetSampleSize());
    c = a;
    EXPECT_TRUE(c == a);
    c = c;  // self-assignment keeps the format
    EXPECT_TRUE(c == a);
    CMediaType moved(std::move(c));
    EXPECT_TRUE(moved == a);
    EXPECT_EQ(nullptr, c.Format());

    const AM_MEDIA_TYPE& raw = b;
    CMediaType fromRaw;
    fromRaw = raw;
    EXPECT_TRUE(fromRaw == a);
}

TEST(CMediaTypeTest, FormatBufferKeepsLeadingBytesOnRealloc) {
    CMediaType mt;
    const BYTE bytes[] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(mt.SetFormat(bytes, sizeof(bytes)));
    EXPECT_EQ(6u, mt.FormatLength());
    BYTE* grown = mt.ReallocFormatBuffer(10);
    ASSERT_NE(nullptr, grown);
    EXPECT_EQ(0, std::memcmp(bytes, grown, 6));
    BYTE* shrunk = mt.ReallocFormatBuffer(2);
    EXPECT_EQ(1, shrunk[0]);
    EXPECT_EQ(2, shrunk[1]);
    EXPECT_EQ(shrunk, mt.AllocFormatBuffer(2));  // same length: the same block
    ASSERT_TRUE(mt.SetFormat(nullptr, 0));
    EXPECT_EQ(nullptr, mt.Format());
    EXPECT_EQ(0u, mt.FormatLength());
}

TEST(CMediaTypeTest, SampleSizeAndPartialMatches) {
    CMediaType mt = VideoType(4, 2);
    EXPECT_EQ(32u, mt.GetSampleSize());
    mt.SetSampleSize(0);
    EXPECT_FALSE(mt.IsFixedSize());
    EXPECT_EQ(0u, mt.GetSampleSize());

    CMediaType any;
    EXPECT_TRUE(any.IsPartiallySpecified());
    EXPECT_TRUE(mt.MatchesPartial(&any));
    CMediaType videoOnly(&MEDIATYPE_Video);
    EXPECT_TRUE(mt.MatchesPartial(&videoOnly));
    CMediaType audioOnly(&MEDIATYPE_Audio);
    EXPECT_FALSE(mt.MatchesPartial(&audioOnly));
    CMediaType otherSize = VideoType(8, 2);
    EXPECT_FALSE(mt.MatchesPartial(&otherSize));
    EXPECT_TRUE(mt.MatchesPartial(&mt));
    EXPECT_FALSE(mt.IsPartiallySpecified());
}

TEST(CAutoMediaTypePtrTest, FreesWhatItHolds) {
    CountingUnknown unk;
    CMediaType mt(&MEDIATYPE_Audio);
    mt.pUnk = &unk;
    {
        CAutoMediaTypePtr held(CreateMediaType(&mt));
        EXPECT_EQ(2u, unk.refs);
        AM_MEDIA_TYPE** slot = &held;  // an out parameter frees the old type
        EXPECT_EQ(1u, unk.refs);
        *slot = CreateMediaType(&mt);
        EXPECT_EQ(2u, unk.refs);
    }
    EXPECT_EQ(1u, unk.refs);
    mt.pUnk = nullptr;
}

}  // namespace
