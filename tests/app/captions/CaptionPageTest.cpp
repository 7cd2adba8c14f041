// Caption objects and caption page files: a page built by hand, field by field in the stored
// order (a text object, a still picture, an animated GIF), read, checked and written back
// byte for byte; older records; truncated and corrupt files; the page's list operations.
#include "app/captions/CharObjList.h"
#include "app/captions/image/ximage.h"
#include "tests/app/captions/PictureFixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using fixtures::Bytes;
using fixtures::Put16;
using fixtures::Put32;

namespace {

void Put64(Bytes& b, uint64_t v)
{
    Put32(b, uint32_t(v));
    Put32(b, uint32_t(v >> 32));
}

// A text style written out by offset: Tahoma 24, bold, right-aligned, outline 2, shadow mode 1
// at (3, 1), yellow text, preset 2, linear filter, padding bytes 0xAB 0xCD 0xEF.
Bytes StyleBytes()
{
    Bytes s(136, 0);
    s[0] = 24;                                 // lfHeight
    s[16] = 0xBC; s[17] = 0x02;                // lfWeight 700
    s[23] = 1;                                 // lfCharSet
    const char face[] = "Tahoma";
    for (int i = 0; face[i]; ++i) s[28 + 2 * i] = uint8_t(face[i]);
    s[92] = 2;                                 // right
    s[96] = 2;                                 // outline
    s[98] = 80;                                // opacity
    s[99] = 120;                               // stretch byte
    s[100] = 1;                                // shadow mode
    s[104] = 3; s[106] = 1;                    // shadow offset (3, 1)
    s[108] = 120;                              // stretch
    s[112] = 0xFF; s[113] = 0xFF;              // text 0x00FFFF (yellow)
    s[116] = 0x10; s[117] = 0x20; s[118] = 0x30;
    s[128] = 2;                                // preset
    s[132] = 2;                                // linear filter
    s[133] = 0xAB; s[134] = 0xCD; s[135] = 0xEF;
    return s;
}

void Record(Bytes& b, int32_t version, int32_t type, RECT r, uint8_t motion, int32_t speed, int32_t stay,
            const Bytes& data, int32_t delay, int32_t count, int32_t interval, bool old = false)
{
    if (!old) Put32(b, uint32_t(version));
    Put32(b, uint32_t(type));
    Put32(b, uint32_t(r.left)); Put32(b, uint32_t(r.top)); Put32(b, uint32_t(r.right)); Put32(b, uint32_t(r.bottom));
    b.push_back(motion);
    Put32(b, uint32_t(speed));
    Put32(b, uint32_t(stay));
    Put64(b, data.size());
    b.insert(b.end(), data.begin(), data.end());
    if (!old) { Put32(b, uint32_t(delay)); Put32(b, uint32_t(count)); Put32(b, uint32_t(interval)); }
}

Bytes TextData()
{
    Bytes d = StyleBytes();
    for (char c : std::string("Hello")) { d.push_back(uint8_t(c)); d.push_back(0); }
    return d;
}

Bytes PictureData(uint32_t format, const Bytes& file)
{
    Bytes d = StyleBytes();
    Put32(d, format);
    d.insert(d.end(), file.begin(), file.end());
    return d;
}

// count 3; text, BMP, GIF; trailer flag 1, width 640, height 360.
Bytes PageFixture(bool trailer = true)
{
    Bytes b;
    Put32(b, 3);
    Record(b, 3, 0, {10, 20, 110, 60}, 2, 80, 30, TextData(), 5, 2, 7);
    Record(b, 3, 1, {0, 0, 2, 2}, 0, 100, 60, PictureData(1, fixtures::Bmp2x2()), 0, 1, 0);
    Record(b, 3, 2, {50, 50, 52, 52}, 5, 120, 3, PictureData(2, fixtures::Gif3Frames()), 1, 0, 4);
    if (trailer) { Put32(b, 1); Put32(b, 640); Put32(b, 360); }
    return b;
}

std::wstring TempPath(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

void WriteFile(const std::wstring& path, const Bytes& bytes)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

Bytes ReadFile(const std::wstring& path)
{
    Bytes b;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return b;
    int c;
    while ((c = fgetc(f)) != EOF) b.push_back(uint8_t(c));
    fclose(f);
    return b;
}

bool SameRect(const RECT& a, RECT b) { return EqualRect(&a, &b) != 0; }

// A page that is not the fixture, to see that failed loads leave it alone.
void MarkPage(CCharObjList& page)
{
    CCharObject* o = new CCharObject;
    o->SetRect({1, 2, 3, 4});
    page.Add(o);
    page.SetWidth(999);
    page.SetHeight(888);
}

bool StillMarked(const CCharObjList& page)
{
    CCharObject* o = nullptr;
    return page.GetCount() == 1 && page.GetAt(0, &o) && SameRect(o->GetRect(), {1, 2, 3, 4}) &&
           page.GetWidth() == 999 && page.GetHeight() == 888;
}

} // namespace

TEST(CaptionPageFile, HandBuiltPageReadsAndWritesBackByteForByte)
{
    const std::wstring path = TempPath(L"rvx_page_fixture.rxf");
    const Bytes fixture = PageFixture();
    WriteFile(path, fixture);

    CCharObjList page;
    ASSERT_TRUE(page.LoadFromFile(path.c_str())) << static_cast<LPCWSTR>(page.GetLastError());
    ASSERT_EQ(page.GetCount(), 3);
    EXPECT_EQ(page.GetWidth(), 640);
    EXPECT_EQ(page.GetHeight(), 360);
    EXPECT_EQ(page.GetPageFlag(), 1);

    CCharObject* text = nullptr;
    ASSERT_TRUE(page.GetAt(0, &text));
    EXPECT_EQ(text->GetType(), 0);
    EXPECT_TRUE(SameRect(text->GetRect(), {10, 20, 110, 60}));
    EXPECT_EQ(text->GetMotion(), 2);
    EXPECT_EQ(text->GetSpeed(), 80);
    EXPECT_EQ(text->GetStay(), 30);
    EXPECT_EQ(text->GetDataLength(), 146);
    EXPECT_EQ(text->GetStartDelay(), 5);
    EXPECT_EQ(text->GetRepeatCount(), 2);
    EXPECT_EQ(text->GetRepeatInterval(), 7);
    CharTextStyle style;
    CStringW words;
    ASSERT_TRUE(text->GetText(&style, &words));
    EXPECT_STREQ(static_cast<LPCWSTR>(words), L"Hello");
    EXPECT_STREQ(style.font.lfFaceName, L"Tahoma");
    EXPECT_EQ(style.font.lfWeight, 700);
    EXPECT_EQ(style.format, 2u);
    EXPECT_EQ(style.ShadowX(), 3);
    EXPECT_EQ(style.ShadowY(), 1);
    EXPECT_EQ(style.textColour, COLORREF(0x00FFFF));
    EXPECT_EQ(style.filter, 2);
    EXPECT_EQ(text->GetImage(), nullptr);

    CCharObject* still = nullptr;
    ASSERT_TRUE(page.GetAt(1, &still));
    EXPECT_EQ(still->GetType(), 1);
    EXPECT_EQ(still->GetImageFormat(), CXIMAGE_FORMAT_BMP);
    CxImage* bmp = still->GetImage();
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->GetPixel32(0, 0), 0xFFFF0000u);
    delete bmp;
    CxImage notGif;
    EXPECT_FALSE(still->DecodeFrame(0, &notGif));

    CCharObject* anim = nullptr;
    ASSERT_TRUE(page.GetAt(2, &anim));
    EXPECT_EQ(anim->GetType(), 2);
    EXPECT_EQ(anim->GetMotion(), 5);
    EXPECT_EQ(anim->GetRepeatCount(), 0);
    const BYTE* bytes = nullptr;
    DWORD count = 0;
    ASSERT_TRUE(anim->GetImageBytes(&bytes, &count));
    EXPECT_EQ(count, DWORD(fixtures::Gif3Frames().size()));
    CxImage frame;
    ASSERT_TRUE(anim->DecodeFrame(2, &frame));
    EXPECT_EQ(frame.GetNumFrames(), 3);
    EXPECT_EQ(frame.GetFrameDelay(), 20u);
    EXPECT_EQ(frame.GetPixel32(0, 0), 0xFF0000FFu);

    const std::wstring again = TempPath(L"rvx_page_again.rxf");
    ASSERT_TRUE(page.SaveToFile(again.c_str()));
    EXPECT_EQ(ReadFile(again), fixture);
    EXPECT_EQ(GetFileAttributesW((again + L".saving").c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(path.c_str());
    DeleteFileW(again.c_str());
}

TEST(CaptionPageFile, PageWithoutTrailerAndOldRecords)
{
    const std::wstring path = TempPath(L"rvx_page_old.rxf");
    WriteFile(path, PageFixture(false));
    CCharObjList page;
    ASSERT_TRUE(page.LoadFromFile(path.c_str()));
    EXPECT_EQ(page.GetCount(), 3);
    EXPECT_EQ(page.GetWidth(), 317);
    EXPECT_EQ(page.GetHeight(), 237);
    EXPECT_EQ(page.GetPageFlag(), 1);

    // Records written before version 3 begin with their type and have no timing.
    for (int32_t type : {0, 1, 2}) {
        SCOPED_TRACE(type);
        const Bytes data = type == 0 ? TextData() : PictureData(type == 2 ? 2 : 1, type == 2 ? fixtures::Gif3Frames() : fixtures::Bmp2x2());
        Bytes old;
        Put32(old, 1);
        Record(old, 0, type, {5, 6, 7, 8}, 3, 90, 12, data, 0, 0, 0, true);
        WriteFile(path, old);
        ASSERT_TRUE(page.LoadFromFile(path.c_str())) << static_cast<LPCWSTR>(page.GetLastError());
        CCharObject* o = nullptr;
        ASSERT_TRUE(page.GetAt(0, &o));
        EXPECT_EQ(o->GetType(), type);
        EXPECT_EQ(o->GetVersion(), 3);
        EXPECT_EQ(o->GetStartDelay(), 0);
        EXPECT_EQ(o->GetRepeatCount(), 1);
        EXPECT_EQ(o->GetRepeatInterval(), 0);
        EXPECT_EQ(o->GetSpeed(), 90);

        Bytes current;
        Put32(current, 1);
        Record(current, 3, type, {5, 6, 7, 8}, 3, 90, 12, data, 0, 1, 0);
        Put32(current, 1); Put32(current, 317); Put32(current, 237);
        ASSERT_TRUE(page.SaveToFile(path.c_str()));
        EXPECT_EQ(ReadFile(path), current);
    }
    DeleteFileW(path.c_str());
}

TEST(CaptionPageFile, TruncatedFilesAreRefusedAndTheOpenPageKept)
{
    const std::wstring path = TempPath(L"rvx_page_cut.rxf");
    const Bytes fixture = PageFixture();
    const size_t withoutTrailer = fixture.size() - 12; // a valid page with no trailer
    CCharObjList page;
    MarkPage(page);
    for (size_t n = 0; n < fixture.size(); ++n) {
        if (n == withoutTrailer) continue;
        WriteFile(path, Bytes(fixture.begin(), fixture.begin() + n));
        EXPECT_FALSE(page.LoadFromFile(path.c_str())) << "cut at " << n;
        EXPECT_FALSE(page.GetLastError().IsEmpty()) << "cut at " << n;
        ASSERT_TRUE(StillMarked(page)) << "cut at " << n;
    }
    DeleteFileW(path.c_str());
    EXPECT_FALSE(page.LoadFromFile(path.c_str())); // no such file
    EXPECT_TRUE(StillMarked(page));
}

TEST(CaptionPageFile, CorruptFieldsAreRefusedWithoutHugeAllocations)
{
    const std::wstring path = TempPath(L"rvx_page_bad.rxf");
    const size_t lengthAt = 4 + 4 + 4 + 16 + 1 + 4 + 4; // first record's data length
    struct Case {
        const char* name;
        size_t offset;
        Bytes patch;
    };
    const Case cases[] = {
        {"length far beyond the file", lengthAt, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {"length just beyond the file", lengthAt, {0x00, 0x00, 0x01, 0x00, 0, 0, 0, 0}},
        {"negative length", lengthAt, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"object count far beyond the file", 0, {0xFF, 0xFF, 0xFF, 0x7F}},
        {"negative object count", 0, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"unknown object type", 8, {7, 0, 0, 0}},
        {"negative version read as an old type", 4, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"motion past 8", 4 + 4 + 4 + 16, {9}},
    };
    CCharObjList page;
    MarkPage(page);
    for (const Case& c : cases) {
        Bytes b = PageFixture();
        std::copy(c.patch.begin(), c.patch.end(), b.begin() + c.offset);
        WriteFile(path, b);
        EXPECT_FALSE(page.LoadFromFile(path.c_str())) << c.name;
        EXPECT_FALSE(page.GetLastError().IsEmpty()) << c.name;
        EXPECT_TRUE(StillMarked(page)) << c.name;
    }
    DeleteFileW(path.c_str());

    // Foreign clipboard data (format 16 is also the system's locale id) is no object record.
    BYTE locale[4] = {0x04, 0x08, 0x00, 0x00};
    CMemFile mem(locale, sizeof locale);
    CArchive ar(&mem, CArchive::load);
    CCharObject o;
    bool refused = false;
    try {
        o.Serialize(ar);
    } catch (CArchiveException* e) {
        refused = true;
        e->Delete();
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(o.GetDataLength(), 0);
}

TEST(CaptionObject, TextStyleAndPictureData)
{
    CharTextStyle style;
    style.SetDefault();
    CCharObject o;
    CharTextStyle out;
    CStringW text;
    EXPECT_FALSE(o.GetText(&out, &text));
    EXPECT_FALSE(o.GetStyle(&out));
    o.SetStyle(style);
    EXPECT_EQ(o.GetDataLength(), 136);
    EXPECT_TRUE(o.GetText(&out, &text));
    EXPECT_TRUE(text.IsEmpty());

    o.SetText(style, L"abcde");
    EXPECT_EQ(o.GetDataLength(), 146);
    EXPECT_EQ(o.GetType(), 0);
    style.outlineWidth = 3;
    o.SetStyle(style);
    ASSERT_TRUE(o.GetText(&out, &text));
    EXPECT_STREQ(static_cast<LPCWSTR>(text), L"abcde");
    EXPECT_EQ(out.outlineWidth, 3);

    // A stored text of an odd byte count gives the whole characters it holds and reads no
    // further (stored texts carry no terminator).
    Bytes record;
    Bytes odd = StyleBytes();
    fixtures::Append(odd, {'o', 0, 'k', 0, 'x'});
    Record(record, 3, 0, {0, 0, 1, 1}, 0, 100, 60, odd, 0, 1, 0);
    CMemFile mem(record.data(), UINT(record.size()));
    CArchive ar(&mem, CArchive::load);
    CCharObject fromFile;
    fromFile.Serialize(ar);
    ASSERT_TRUE(fromFile.GetText(&out, &text));
    EXPECT_EQ(text.GetLength(), 2);
    EXPECT_STREQ(static_cast<LPCWSTR>(text), L"ok");

    const std::wstring gif = TempPath(L"rvx_object.gif");
    WriteFile(gif, fixtures::Gif3Frames());
    CCharObject picture;
    ASSERT_TRUE(picture.SetImage(gif.c_str(), CXIMAGE_FORMAT_GIF, style));
    EXPECT_EQ(picture.GetType(), 2);
    EXPECT_TRUE(SameRect(picture.GetRect(), {0, 0, 2, 2}));
    EXPECT_EQ(picture.GetDataLength(), LONGLONG(140 + fixtures::Gif3Frames().size()));
    EXPECT_EQ(picture.GetImageFormat(), CXIMAGE_FORMAT_GIF);
    EXPECT_FALSE(picture.SetImage(gif.c_str(), CXIMAGE_FORMAT_PNG, style)); // not a PNG
    EXPECT_EQ(picture.GetType(), 2);                                        // left as it was
    DeleteFileW(gif.c_str());
    EXPECT_FALSE(picture.SetImage(gif.c_str(), CXIMAGE_FORMAT_GIF, style));
}

TEST(CaptionPage, LayerOrderOperations)
{
    auto page3 = [](CCharObjList& page) {
        for (int i = 0; i < 3; ++i) {
            CCharObject* o = new CCharObject;
            o->SetRect({i, 0, i + 1, 1});
            page.Add(o);
        }
    };
    auto order = [](const CCharObjList& page) {
        std::string s;
        for (int i = 0; i < page.GetCount(); ++i) {
            CCharObject* o = nullptr;
            page.GetAt(i, &o);
            s += char('0' + o->GetRect().left);
        }
        return s;
    };
    enum Op { Top, Bottom, Up, Down };
    const struct {
        Op op;
        int index, result;
        const char* order;
    } cases[] = {
        {Top, 0, 2, "120"}, {Top, 2, 2, "012"}, {Top, -1, -1, "012"}, {Top, 3, -1, "012"},
        {Bottom, 2, 0, "201"}, {Bottom, 0, 0, "012"}, {Bottom, 3, -1, "012"},
        {Up, 0, 1, "102"}, {Up, 2, 2, "012"}, {Up, -1, -1, "012"},
        {Down, 2, 1, "021"}, {Down, 0, 0, "012"}, {Down, 5, -1, "012"},
    };
    for (const auto& c : cases) {
        CCharObjList page;
        page3(page);
        int r = 0;
        switch (c.op) {
        case Top: r = page.BringToTop(c.index); break;
        case Bottom: r = page.SendToBottom(c.index); break;
        case Up: r = page.MoveUp(c.index); break;
        case Down: r = page.MoveDown(c.index); break;
        }
        EXPECT_EQ(r, c.result) << c.op << " " << c.index;
        EXPECT_EQ(order(page), c.order) << c.op << " " << c.index;
    }
}

TEST(CaptionPage, ByRectangleOperationsHitTheTopmostMatch)
{
    CCharObjList page;
    CharTextStyle style;
    style.SetDefault();
    const RECT shared = {0, 0, 10, 10};
    CCharObject* bottom = new CCharObject;
    bottom->SetRect(shared);
    bottom->SetText(style, L"bottom");
    CCharObject* top = new CCharObject;
    top->SetRect(shared);
    top->SetText(style, L"top");
    EXPECT_EQ(page.Add(bottom), 0);
    EXPECT_EQ(page.Add(top), 1);

    CCharObject* found = nullptr;
    ASSERT_TRUE(page.FindByRect(shared, &found));
    EXPECT_EQ(found, top);
    const RECT unknown = {1, 1, 2, 2};
    EXPECT_FALSE(page.FindByRect(unknown, &found));
    EXPECT_FALSE(page.RemoveByRect(unknown));
    EXPECT_FALSE(page.SetTimingByRect(unknown, 1, 0));
    EXPECT_EQ(page.DetachByRect(unknown), nullptr);

    const int values[] = {11, 22, 33, 44, 55};
    for (int which = 0; which < 5; ++which) EXPECT_TRUE(page.SetTimingByRect(shared, values[which], which));
    EXPECT_FALSE(page.SetTimingByRect(shared, 1, 5));
    EXPECT_EQ(top->GetSpeed(), 11);
    EXPECT_EQ(top->GetStay(), 22);
    EXPECT_EQ(top->GetStartDelay(), 33);
    EXPECT_EQ(top->GetRepeatCount(), 44);
    EXPECT_EQ(top->GetRepeatInterval(), 55);
    EXPECT_EQ(bottom->GetSpeed(), 100);

    style.outlineWidth = 3;
    ASSERT_TRUE(page.SetStyleByRect(shared, style));
    ASSERT_TRUE(page.SetTextByRect(shared, L"changed"));
    CharTextStyle got;
    CStringW text;
    ASSERT_TRUE(top->GetText(&got, &text));
    EXPECT_STREQ(static_cast<LPCWSTR>(text), L"changed");
    EXPECT_EQ(got.outlineWidth, 3); // the text kept its style

    ASSERT_TRUE(page.RemoveByRect(shared)); // the top one goes
    ASSERT_TRUE(page.FindByRect(shared, &found));
    EXPECT_EQ(found, bottom);
    const RECT moved = {5, 5, 15, 15};
    ASSERT_TRUE(page.SetRectByRect(shared, moved));
    CCharObject* detached = page.DetachAt(0);
    EXPECT_EQ(detached, bottom);
    EXPECT_EQ(page.GetCount(), 0);
    delete detached;
    EXPECT_FALSE(page.RemoveAt(0));
    EXPECT_EQ(page.DetachAt(-1), nullptr);

    page.SetWidth(10);
    page.SetHeight(20);
    page.Clear();
    EXPECT_EQ(page.GetWidth(), 317);
    EXPECT_EQ(page.GetHeight(), 237);
}

TEST(CaptionPageFile, SaveThatCannotWriteKeepsTheOldFile)
{
    CCharObjList page;
    EXPECT_FALSE(page.SaveToFile(TempPath(L"no such folder\\page.rxf").c_str()));
    EXPECT_FALSE(page.GetLastError().IsEmpty());

    // A page file held open without sharing cannot be replaced: the save fails, the old
    // bytes stay, and no half-written file is left behind.
    const std::wstring path = TempPath(L"rvx_page_locked.rxf");
    const Bytes old = PageFixture();
    WriteFile(path, old);
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    MarkPage(page);
    EXPECT_FALSE(page.SaveToFile(path.c_str()));
    CloseHandle(held);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(GetFileAttributesW((path + L".saving").c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(path.c_str());
}
