// Archives against byte images written out by hand from the stored format.
#include <afx.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

typedef std::vector<BYTE> Bytes;

Bytes Store(const std::function<void(CArchive&)>& write)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        write(ar);
        ar.Close();
    }
    Bytes out(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    if (!out.empty())
        file.Read(out.data(), static_cast<UINT>(out.size()));
    return out;
}

// A loading archive over a copy of the bytes.
struct Loader {
    explicit Loader(const Bytes& bytes)
        : data(bytes), file(data.empty() ? nullptr : data.data(), static_cast<UINT>(data.size())),
          ar(&file, CArchive::load)
    {
    }
    Bytes data;
    CMemFile file;
    CArchive ar;
};

Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The characters of a test string: 'a' + i % 26, as UTF-16LE.
CString Letters(int n)
{
    CString s;
    wchar_t* p = s.GetBufferSetLength(n);
    for (int i = 0; i < n; ++i)
        p[i] = static_cast<wchar_t>(L'a' + i % 26);
    return s;
}
Bytes LetterBytes(int n)
{
    Bytes b;
    for (int i = 0; i < n; ++i) {
        b.push_back(static_cast<BYTE>('a' + i % 26));
        b.push_back(0);
    }
    return b;
}

struct StringCase {
    int length;
    Bytes prefix;
};

} // namespace

TEST(CArchive, WideStringsHaveTheMarkedLengthPrefix)
{
    const StringCase cases[] = {
        {0, {0xFF, 0xFE, 0xFF, 0x00}},
        {1, {0xFF, 0xFE, 0xFF, 0x01}},
        {254, {0xFF, 0xFE, 0xFF, 0xFE}},
        {255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {65535, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.length);
        Bytes image = Cat(c.prefix, LetterBytes(c.length));
        CString text = Letters(c.length);
        EXPECT_EQ(image, Store([&](CArchive& ar) { ar << text; }));

        Loader in(Cat(image, {0x2A, 0, 0, 0}));
        CString read(L"old");
        int after = 0;
        in.ar >> read >> after;
        EXPECT_EQ(c.length, read.GetLength());
        EXPECT_TRUE(read == text);
        EXPECT_EQ(42, after);
    }
}

TEST(CArchive, ChineseTextIsStoredAsUtf16)
{
    Bytes image = {0xFF, 0xFE, 0xFF, 0x02, 0x19, 0x95, 0xEF, 0x8B}; // 错误
    EXPECT_EQ(image, Store([](CArchive& ar) { ar << CString(L"错误"); }));
    Loader in(image);
    CString s;
    in.ar >> s;
    EXPECT_STREQ(L"错误", s);
}

TEST(CArchive, SingleByteStringsAreRead)
{
    struct Case {
        Bytes image;
        CString expected;
    };
    const Case cases[] = {
        {{0x00}, L""},
        {{0x03, 'a', 'b', 'c'}, L"abc"},
        {Cat({0xFF, 0xFF, 0x00}, Bytes(255, 'q')), CString(L'q', 255)},
        {Cat({0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}, Bytes(65536, 'r')), CString(L'r', 65536)},
    };
    for (const Case& c : cases) {
        Loader in(c.image);
        CString s(L"old");
        in.ar >> s;
        EXPECT_TRUE(s == c.expected) << s.GetLength();
    }
    // The narrow string type is stored in the single-byte form and reads either form.
    EXPECT_EQ((Bytes{0x02, 'h', 'i'}), Store([](CArchive& ar) { ar << CStringA("hi"); }));
    EXPECT_EQ((Bytes{0x02, 'h', 'i'}), Store([](CArchive& ar) { ar << "hi"; }));
    EXPECT_EQ((Bytes{0xFF, 0xFE, 0xFF, 0x02, 'h', 0, 'i', 0}), Store([](CArchive& ar) { ar << L"hi"; }));
    Loader in(Bytes{0xFF, 0xFE, 0xFF, 0x02, 'h', 0, 'i', 0});
    CStringA narrow;
    in.ar >> narrow;
    EXPECT_STREQ("hi", narrow);
}

TEST(CArchive, NumbersAreLittleEndian)
{
    Bytes image = {
        0xFE, 0xFF, 0xFF, 0xFF,                         // int -2
        0x78, 0x56, 0x34, 0x12,                         // DWORD
        0xAB,                                           // BYTE
        0x34, 0x12,                                     // WORD
        0x00, 0x00, 0xC0, 0x3F,                         // float 1.5
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F, // double 1.5
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81, // LONGLONG
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, // ULONGLONG max
        0x9C, 0xFF, 0xFF, 0xFF,                         // LONG -100
        0x05, 0x00, 0x00, 0x00,                         // unsigned int 5
    };
    const LONGLONG big = static_cast<LONGLONG>(0x8102030405060708ULL);
    EXPECT_EQ(image, Store([&](CArchive& ar) {
                  ar << -2 << static_cast<DWORD>(0x12345678) << static_cast<BYTE>(0xAB)
                     << static_cast<WORD>(0x1234) << 1.5f << 1.5 << big << ~0ULL
                     << static_cast<LONG>(-100) << 5u;
              }));

    Loader in(image);
    int i;
    DWORD d;
    BYTE b;
    WORD w;
    float f;
    double x;
    LONGLONG ll;
    ULONGLONG ull;
    LONG l;
    unsigned int u;
    in.ar >> i >> d >> b >> w >> f >> x >> ll >> ull >> l >> u;
    EXPECT_EQ(-2, i);
    EXPECT_EQ(0x12345678u, d);
    EXPECT_EQ(0xAB, b);
    EXPECT_EQ(0x1234, w);
    EXPECT_EQ(1.5f, f);
    EXPECT_EQ(1.5, x);
    EXPECT_EQ(big, ll);
    EXPECT_EQ(~0ULL, ull);
    EXPECT_EQ(-100, l);
    EXPECT_EQ(5u, u);
    EXPECT_EQ(0u, in.ar.GetBytesRemaining());
}

TEST(CArchive, TruncatedDataThrowsAndKeepsWhatWasRead)
{
    Loader in(Bytes{0x07, 0x00, 0x00, 0x00, 0x09, 0x00});
    int first = 0, second = 55;
    in.ar >> first;
    EXPECT_EQ(2u, in.ar.GetBytesRemaining());
    try {
        in.ar >> second;
        FAIL() << "no exception";
    } catch (CArchiveException* e) {
        EXPECT_EQ(CArchiveException::endOfFile, e->m_cause);
        e->Delete();
    }
    EXPECT_EQ(7, first);
    EXPECT_EQ(55, second);
}

TEST(CArchive, TruncatedOrHostileStringsThrow)
{
    const Bytes images[] = {
        {0xFF, 0xFE, 0xFF, 0x05, 'a', 0x00},                         // 5 characters, 1 there
        {0xFF, 0xFE},                                                // prefix cut
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x10}, // 256 M characters claimed
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}, // 4 G characters claimed
        {0x10, 'a', 'b'},                                            // narrow, cut
    };
    for (const Bytes& image : images) {
        Loader in(image);
        CString s(L"kept");
        try {
            in.ar >> s;
            ADD_FAILURE() << "no exception for " << image.size() << " bytes";
        } catch (CArchiveException* e) {
            EXPECT_TRUE(e->m_cause == CArchiveException::endOfFile || e->m_cause == CArchiveException::badIndex);
            e->Delete();
        }
        EXPECT_STREQ(L"kept", s);
    }
}

TEST(CArchive, RawBlocksAndLines)
{
    Bytes image = Store([](CArchive& ar) {
        ar.Write("xyz", 3);
        ar.WriteString(L"c:\\a.rxf");
        ar.WriteString(L"\n");
        ar.WriteString(L"第二\r\n");
        ar.WriteString(L"last");
    });
    Bytes expected = {'x', 'y', 'z', 'c', 0, ':', 0, '\\', 0, 'a', 0, '.', 0, 'r', 0, 'x', 0, 'f', 0, '\n', 0,
                      0x2C, 0x7B, 0x8C, 0x4E, '\r', 0, '\n', 0, 'l', 0, 'a', 0, 's', 0, 't', 0};
    EXPECT_EQ(expected, image);

    Loader in(image);
    char raw[3];
    EXPECT_EQ(3u, in.ar.Read(raw, 3));
    CString line;
    EXPECT_TRUE(in.ar.ReadString(line));
    EXPECT_STREQ(L"c:\\a.rxf", line);
    EXPECT_TRUE(in.ar.ReadString(line));
    EXPECT_STREQ(L"第二", line);
    EXPECT_TRUE(in.ar.ReadString(line));
    EXPECT_STREQ(L"last", line);
    EXPECT_FALSE(in.ar.ReadString(line));
    EXPECT_EQ(0u, in.ar.Read(raw, 3));
}

TEST(CArchive, ALoneCarriageReturnEndsALineWithoutEatingTheNext)
{
    Loader in(Bytes{'a', 0, '\r', 0, 'b', 0, '\r', 0});
    CString line;
    EXPECT_TRUE(in.ar.ReadString(line));
    EXPECT_STREQ(L"a", line);
    EXPECT_TRUE(in.ar.ReadString(line));
    EXPECT_STREQ(L"b", line);
    EXPECT_FALSE(in.ar.ReadString(line));
}

TEST(CArchive, WrongDirectionIsRefused)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    int v;
    try {
        ar >> v;
        FAIL();
    } catch (CArchiveException* e) {
        EXPECT_EQ(CArchiveException::writeOnly, e->m_cause);
        e->Delete();
    }
}

TEST(CArchive, FilesOnDiskRoundTripAcrossTheBuffer)
{
    WCHAR folder[MAX_PATH], path[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"rvx", 0, path);
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        for (int i = 0; i < 3000; ++i)
            ar << i << CString(L"项");
    } // the archive is flushed as it goes out of scope, before the file closes
    {
        CFile file(path, CFile::modeRead);
        EXPECT_EQ(3000u * (4 + 6), file.GetLength());
        CArchive ar(&file, CArchive::load);
        for (int i = 0; i < 3000; ++i) {
            int v;
            CString s;
            ar >> v >> s;
            ASSERT_EQ(i, v);
            ASSERT_STREQ(L"项", s);
        }
        EXPECT_EQ(0u, ar.GetBytesRemaining());
    }
    ::DeleteFileW(path);
}

TEST(CArchive, TimesAreSixtyFourBitSeconds)
{
    Bytes image = {0x00, 0xE1, 0xF5, 0x05, 0, 0, 0, 0, 0x3C, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(image, Store([](CArchive& ar) { ar << CTime(100000000) << CTimeSpan(60); }));
    Loader in(image);
    CTime t;
    CTimeSpan span;
    in.ar >> t >> span;
    EXPECT_EQ(100000000, t.GetTime());
    EXPECT_EQ(60, span.GetTotalSeconds());
}

namespace {

class CSample : public CObject {
    DECLARE_SERIAL(CSample)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << value;
        else
            ar >> value;
    }
    int value = 0;
};
IMPLEMENT_SERIAL(CSample, CObject, 1)

} // namespace

TEST(CObject, RunTimeClassesAndSerialize)
{
    CSample s;
    s.value = 9;
    EXPECT_TRUE(s.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_TRUE(s.IsSerializable());
    EXPECT_STREQ("CSample", s.GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ((Bytes{9, 0, 0, 0}), Store([&](CArchive& ar) { s.Serialize(ar); }));
    CObject* made = RUNTIME_CLASS(CSample)->CreateObject();
    ASSERT_NE(nullptr, made);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CSample)));
    delete made;
    CFileException fe;
    EXPECT_FALSE(fe.IsKindOf(RUNTIME_CLASS(CArchiveException)));
    EXPECT_TRUE(fe.IsKindOf(RUNTIME_CLASS(CException)));
}
