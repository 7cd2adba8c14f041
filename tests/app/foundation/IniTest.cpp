#include "app/foundation/Ini.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WCHAR base[MAX_PATH], name[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        ::GetTempFileNameW(base, L"ini", 0, name);
        ::DeleteFileW(name);
        ::CreateDirectoryW(name, nullptr);
        folder = name;
        path = folder + L"\\output.ini";
    }
    void TearDown() override
    {
        ::DeleteFileW(path);
        ::RemoveDirectoryW(folder);
    }

    // The file as written by hand: UTF-16LE with its byte-order mark.
    void WriteFile(const std::wstring& text)
    {
        std::vector<BYTE> bytes = {0xFF, 0xFE};
        for (wchar_t c : text) {
            bytes.push_back(static_cast<BYTE>(c & 0xFF));
            bytes.push_back(static_cast<BYTE>(c >> 8));
        }
        WriteBytes(bytes);
    }
    void WriteBytes(const std::vector<BYTE>& bytes)
    {
        HANDLE h = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        DWORD n;
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        ::CloseHandle(h);
    }
    std::vector<BYTE> ReadBytes()
    {
        std::vector<BYTE> bytes;
        HANDLE h = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return bytes;
        bytes.resize(::GetFileSize(h, nullptr));
        DWORD n;
        if (!bytes.empty())
            ::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        ::CloseHandle(h);
        return bytes;
    }
    bool FileExists() { return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

    CString folder, path;
};

} // namespace

TEST_F(IniTest, MissingFileOrKeyKeepsTheDefault)
{
    util::CIni ini(path);
    EXPECT_STREQ(L"dflt", ini.GetString(L"VirtualDevice", L"Name", L"dflt"));
    EXPECT_STREQ(L"", ini.GetString(L"VirtualDevice", L"Name"));
    EXPECT_EQ(8601, ini.GetInt(L"VirtualDevice", L"ListenPort", 8601, 10));
    EXPECT_EQ(7u, ini.GetUInt(L"a", L"b", 7, 10));
    EXPECT_TRUE(ini.GetBool(L"a", L"b", TRUE));
    EXPECT_EQ(2.5, ini.GetDouble(L"a", L"b", 2.5));
    EXPECT_FALSE(FileExists()); // reads never create the file

    WriteFile(L"[VirtualDevice]\r\nOther=1\r\nEmpty=\r\n");
    EXPECT_EQ(8601, ini.GetInt(L"VirtualDevice", L"ListenPort", 8601, 10));
    EXPECT_EQ(9, ini.GetInt(L"VirtualDevice", L"Empty", 9, 10)); // an empty value keeps it too
    EXPECT_STREQ(L"x", ini.GetString(L"Nope", L"Other", L"x"));
}

TEST_F(IniTest, NullSectionOrKeyIsRefusedAndLeavesTheFileAlone)
{
    util::CIni ini(path);
    EXPECT_FALSE(ini.WriteString(nullptr, L"k", L"v"));
    EXPECT_FALSE(ini.WriteString(L"s", nullptr, L"v"));
    EXPECT_FALSE(ini.WriteInt(nullptr, L"k", 1, 10));
    EXPECT_FALSE(FileExists());
    EXPECT_STREQ(L"d", ini.GetString(nullptr, L"k", L"d"));
    EXPECT_STREQ(L"d", ini.GetString(L"s", nullptr, L"d"));
    EXPECT_EQ(5, ini.GetInt(nullptr, L"k", 5, 10));
}

TEST_F(IniTest, NumbersAreReadWithTheUnsignedConversion)
{
    WriteFile(L"[n]\r\nhex=0x1F\r\nmixed=12abc\r\nletters=abc\r\nminus=-1\r\nblank=  42\r\n"
              L"long=" + std::wstring(63, L'0') + L"7999999\r\nhuge=99999999999\r\n");
    util::CIni ini(path);
    struct Case {
        const wchar_t* key;
        int base;
        int expected;
    };
    const Case cases[] = {
        {L"hex", 16, 31}, {L"hex", 10, 0}, {L"hex", 7, 0}, {L"mixed", 10, 12}, {L"letters", 10, 0},
        {L"minus", 10, -1}, {L"blank", 10, 42}, {L"long", 10, 7}, {L"huge", 10, -1}, {L"absent", 10, 77},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ini.GetInt(L"n", c.key, 77, c.base)) << c.key << " base " << c.base;
    EXPECT_EQ(4294967295u, ini.GetUInt(L"n", L"minus", 0, 10));
    EXPECT_EQ(31u, ini.GetUInt(L"n", L"hex", 0, 16));
}

TEST_F(IniTest, NumbersAreWrittenInTheirBase)
{
    util::CIni ini(path);
    struct Case {
        const wchar_t* key;
        const wchar_t* expected;
    };
    ini.WriteInt(L"w", L"minus10", -1, 10);
    ini.WriteInt(L"w", L"minus16", -1, 16);
    ini.WriteInt(L"w", L"eight", 8, 8);
    ini.WriteInt(L"w", L"zero2", 0, 2);
    ini.WriteInt(L"w", L"ten2", 10, 2);
    ini.WriteInt(L"w", L"minus2", -1, 2);
    ini.WriteUInt(L"w", L"umax", 4294967295u, 10);
    ini.WriteUInt(L"w", L"uhex", 255, 16);
    ini.WriteDouble(L"w", L"d0", 0.05, 0);
    ini.WriteDouble(L"w", L"d2", 0.05, 2);
    ini.WriteDouble(L"w", L"dneg", 1.5, -3);
    ini.WriteDouble(L"w", L"dbig", 1e60, 0);
    ini.WriteBool(L"w", L"yes", TRUE);
    ini.WriteBool(L"w", L"no", FALSE);
    const Case cases[] = {
        {L"minus10", L"-1"}, {L"minus16", L"FFFFFFFF"}, {L"eight", L"10"}, {L"zero2", L"0"},
        {L"ten2", L"1010"}, {L"minus2", L"11111111111111111111111111111111"}, {L"umax", L"4294967295"},
        {L"uhex", L"FF"}, {L"d0", L"0.050000"}, {L"d2", L"0.05"}, {L"dneg", L"1.500000"},
        {L"yes", L"1"}, {L"no", L"0"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.expected, ini.GetString(L"w", c.key)) << c.key;
    EXPECT_EQ(1e60, ini.GetDouble(L"w", L"dbig", 0)); // too long for the number buffer as %f
    EXPECT_EQ(-1, ini.GetInt(L"w", L"minus16", 0, 16));
    EXPECT_EQ(10, ini.GetInt(L"w", L"ten2", 0, 2));
}

TEST_F(IniTest, FlagsAreTrueForTrueYesOrNonZero)
{
    WriteFile(L"[f]\r\na=Yes\r\nb=TRUE\r\nc=2\r\nd=7\r\ne=off\r\nf=no\r\ng=false\r\nh=0\r\ni=abc\r\nj=-3\r\n");
    util::CIni ini(path);
    for (const wchar_t* key : {L"a", L"b", L"c", L"d", L"j"})
        EXPECT_TRUE(ini.GetBool(L"f", key, FALSE)) << key;
    for (const wchar_t* key : {L"e", L"f", L"g", L"h", L"i"})
        EXPECT_FALSE(ini.GetBool(L"f", key, TRUE)) << key;
    EXPECT_TRUE(ini.GetBool(L"f", L"missing", TRUE));
    EXPECT_FALSE(ini.GetBool(L"f", L"missing", FALSE));
}

TEST_F(IniTest, LongValuesAreReadWhole)
{
    util::CIni ini(path);
    for (int length : {510, 511, 512, 513, 1023, 1024, 1535, 3000, 70000}) {
        std::wstring value(static_cast<size_t>(length), L'v');
        value[static_cast<size_t>(length - 1)] = L'!';
        ASSERT_TRUE(ini.WriteString(L"long", L"k", value.c_str()));
        CString read = ini.GetString(L"long", L"k");
        EXPECT_EQ(length, read.GetLength());
        EXPECT_STREQ(value.c_str(), read);
    }
}

// A damaged or hostile file with a value of 4 million characters (8 MB) once took ever larger
// buffers, a hundred megabytes at the peak, to read it whole; a value is read up to 262144
// characters and a section up to its lines in 1048576 characters, and the keys after them
// still read.
TEST_F(IniTest, HugeValuesAndSectionsAreCut)
{
    const size_t cap = 256 * 1024;
    std::wstring huge(4u * 1024 * 1024, L'v');
    huge[0] = L'<';
    huge[cap - 1] = L'|';
    WriteFile(L"[big]\r\nk=" + huge + L"\r\nafter=1\r\n[next]\r\nkey=ok\r\n");
    util::CIni ini(path);
    const CString read = ini.GetString(L"big", L"k");
    ASSERT_EQ(static_cast<int>(cap), read.GetLength());
    EXPECT_EQ(L'<', read[0]);
    EXPECT_EQ(L'|', read[static_cast<int>(cap - 1)]);
    EXPECT_EQ(1, ini.GetInt(L"big", L"after", 0, 10));
    EXPECT_STREQ(L"ok", ini.GetString(L"next", L"key"));

    // The section's first line does not fit: no half line is taken, and the lines after the
    // cut are not read.
    CStringArray lines;
    ini.GetSectionLines(L"big", lines);
    EXPECT_EQ(0, lines.GetSize());
    ini.GetSectionLines(L"next", lines);
    ASSERT_EQ(1, lines.GetSize());
    EXPECT_STREQ(L"key=ok", lines[0]);
    CStringArray names;
    ini.GetSectionNames(names);
    EXPECT_EQ(2, names.GetSize());
}

TEST_F(IniTest, NewFilesAreUtf16SoChineseTextSurvives)
{
    util::CIni ini(path);
    ASSERT_TRUE(ini.WriteString(L"VirtualDevice", L"Name", L"虚拟设备"));
    std::vector<BYTE> bytes = ReadBytes();
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_NE(std::wstring::npos, text.find(L"[VirtualDevice]"));
    EXPECT_NE(std::wstring::npos, text.find(L"Name=虚拟设备"));

    util::CIni other(path);
    EXPECT_STREQ(L"虚拟设备", other.GetString(L"VirtualDevice", L"Name"));
    ASSERT_TRUE(other.WriteString(L"VirtualDevice", L"Path", L"D:\\节目\\片头.avi"));
    EXPECT_STREQ(L"D:\\节目\\片头.avi", ini.GetString(L"VirtualDevice", L"Path"));
    EXPECT_STREQ(L"虚拟设备", ini.GetString(L"VirtualDevice", L"Name"));
}

TEST_F(IniTest, ExistingFilesAreNotRewritten)
{
    WriteBytes({'[', 's', ']', '\r', '\n', 'k', '=', '1', '\r', '\n'});
    util::CIni ini(path);
    EXPECT_EQ(1, ini.GetInt(L"s", L"k", 0, 10));
    ASSERT_TRUE(ini.WriteInt(L"s", L"k", 2, 10));
    std::vector<BYTE> bytes = ReadBytes();
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ('[', bytes[0]); // still the file's own encoding
    EXPECT_EQ(2, ini.GetInt(L"s", L"k", 0, 10));
}

TEST_F(IniTest, MissingFolderFailsTheWrite)
{
    util::CIni ini(folder + L"\\no such folder\\x.ini");
    EXPECT_FALSE(ini.WriteString(L"s", L"k", L"v"));
    EXPECT_STREQ(L"d", ini.GetString(L"s", L"k", L"d"));
}

TEST_F(IniTest, PathAndBufferForms)
{
    util::CIni ini;
    EXPECT_STREQ(L"", ini.GetPath());
    EXPECT_EQ(0u, ini.GetPath(nullptr, 0));
    ini.SetPath(path);
    EXPECT_STREQ(path, ini.GetPath());
    WCHAR buffer[8];
    EXPECT_EQ(static_cast<DWORD>(path.GetLength()), ini.GetPath(nullptr, 0));
    EXPECT_EQ(8u, ini.GetPath(buffer, 8));
    EXPECT_EQ(0, wmemcmp(buffer, path.GetString(), 8));

    ini.WriteString(L"s", L"k", L"abcdef");
    EXPECT_EQ(6u, ini.GetString(L"s", L"k", nullptr, 0));
    WCHAR four[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(4u, ini.GetString(L"s", L"k", four, 4));
    EXPECT_EQ(0, wmemcmp(four, L"abcd", 4)); // filled without a terminator
    WCHAR big[16];
    EXPECT_EQ(6u, ini.GetString(L"s", L"k", big, 16));
    EXPECT_STREQ(L"abcdef", big);
    EXPECT_EQ(1u, ini.GetString(L"s", L"none", big, 16, L"d"));
    EXPECT_STREQ(L"d", big);
    ini.SetPath(nullptr);
    EXPECT_STREQ(L"", ini.GetPath());
}

TEST_F(IniTest, CharsAppendsAndIncrements)
{
    util::CIni ini(path);
    EXPECT_EQ(L'z', ini.GetChar(L"s", L"c", L'z'));
    ini.WriteChar(L"s", L"c", L'字');
    EXPECT_EQ(L'字', ini.GetChar(L"s", L"c", L'z'));
    ini.WriteString(L"s", L"t", L"ab");
    ini.AppendString(L"s", L"t", L"cd");
    EXPECT_STREQ(L"abcd", ini.GetString(L"s", L"t"));
    ini.AddToInt(L"s", L"i", 5, 10);
    ini.AddToInt(L"s", L"i", -7, 10);
    EXPECT_STREQ(L"-2", ini.GetString(L"s", L"i"));
    ini.AddToUInt(L"s", L"u", 15, 16);
    ini.AddToUInt(L"s", L"u", 1, 16);
    EXPECT_STREQ(L"10", ini.GetString(L"s", L"u"));
    ini.AddToDouble(L"s", L"d", 0.25, 2);
    ini.AddToDouble(L"s", L"d", 0.5, 2);
    EXPECT_STREQ(L"0.75", ini.GetString(L"s", L"d"));
    ini.ToggleBool(L"s", L"b");
    EXPECT_STREQ(L"1", ini.GetString(L"s", L"b"));
    ini.ToggleBool(L"s", L"b");
    EXPECT_STREQ(L"0", ini.GetString(L"s", L"b"));
}

TEST_F(IniTest, HexBytesPointsAndRects)
{
    util::CIni ini(path);
    const BYTE bytes[] = {0x00, 0xAB, 0x7F, 0x10};
    ini.WriteHexBytes(L"h", L"b", bytes, 4);
    EXPECT_STREQ(L"00AB7F10", ini.GetString(L"h", L"b"));
    ini.AppendHexBytes(L"h", L"b", bytes + 1, 1);
    EXPECT_STREQ(L"00AB7F10AB", ini.GetString(L"h", L"b"));
    EXPECT_EQ(5u, ini.GetHexBytes(L"h", L"b", nullptr, 0));
    EXPECT_EQ(3u, ini.GetHexBytes(L"h", L"b", nullptr, 0, 2));
    BYTE out[8] = {};
    EXPECT_EQ(2u, ini.GetHexBytes(L"h", L"b", out, 2, 1));
    EXPECT_EQ(0xAB, out[0]);
    EXPECT_EQ(0x7F, out[1]);
    EXPECT_EQ(0u, ini.GetHexBytes(L"h", L"b", out, 8, 5));
    ini.WriteString(L"h", L"bad", L"00g1");
    EXPECT_EQ(0u, ini.GetHexBytes(L"h", L"bad", nullptr, 0));
    ini.WriteString(L"h", L"lower", L"abc");
    EXPECT_EQ(1u, ini.GetHexBytes(L"h", L"lower", out, 8));
    EXPECT_EQ(0xAB, out[0]);

    POINT p = {-2, 300};
    ini.WritePoint(L"h", L"p", p);
    EXPECT_STREQ(L"FEFFFFFF2C010000", ini.GetString(L"h", L"p"));
    POINT q = ini.GetPoint(L"h", L"p", POINT{1, 1});
    EXPECT_EQ(-2, q.x);
    EXPECT_EQ(300, q.y);
    RECT r = {1, 2, 3, 4};
    ini.WriteRect(L"h", L"r", r);
    RECT s = ini.GetRect(L"h", L"r", RECT{});
    EXPECT_EQ(4, s.bottom);
    EXPECT_EQ(9, ini.GetRect(L"h", L"p", RECT{9, 9, 9, 9}).left); // 8 bytes are not a rectangle
    EXPECT_EQ(5, ini.GetPoint(L"h", L"r", POINT{5, 5}).x);
}

TEST_F(IniTest, Lists)
{
    util::CIni ini(path);
    ini.WriteString(L"l", L"v", L" a ,\tb\t,, ,c ");
    CStringArray items;
    EXPECT_EQ(3u, ini.GetList(L"l", L"v", items));
    ASSERT_EQ(3, items.GetSize());
    EXPECT_STREQ(L"a", items[0]);
    EXPECT_STREQ(L"b", items[1]);
    EXPECT_STREQ(L"c", items[2]);
    EXPECT_EQ(1u, ini.GetList(L"l", L"v", items, L""));
    EXPECT_STREQ(L"a ,\tb\t,, ,c", items[0]); // the profile functions drop the outer blanks

    WCHAR buffer[32];
    EXPECT_EQ(3u, ini.GetList(L"l", L"v", buffer, 32, L",", TRUE));
    EXPECT_EQ(0, wmemcmp(buffer, L"a\0b\0c\0\0", 7));
    EXPECT_EQ(4u, ini.GetList(L"l", L"v", buffer, 32, L",", FALSE));

    CStringArray write;
    write.Add(L"x");
    write.Add(L"y");
    write.Add(L"z");
    ini.WriteList(L"l", L"w", write, 2, L"|");
    EXPECT_STREQ(L"x|y", ini.GetString(L"l", L"w"));
    ini.WriteList(L"l", L"w", write);
    EXPECT_STREQ(L"x,y,z", ini.GetString(L"l", L"w"));
    ini.WriteList(L"l", L"w", write, 9);
    EXPECT_STREQ(L"x,y,z", ini.GetString(L"l", L"w"));
}

TEST_F(IniTest, SectionsAndKeys)
{
    WriteFile(L"[One]\r\nalpha=1\r\n beta = 2\r\nnoequals\r\n=lead\r\n[Two]\r\ngamma=3\r\n");
    util::CIni ini(path);
    CStringArray names;
    EXPECT_EQ(2u, ini.GetSectionNames(names));
    EXPECT_STREQ(L"One", names[0]);
    EXPECT_TRUE(ini.HasSection(L"one"));
    EXPECT_FALSE(ini.HasSection(L"Three"));
    EXPECT_EQ(2u, ini.GetKeyNames(L"One", names));
    EXPECT_STREQ(L"alpha", names[0]);
    EXPECT_STREQ(L"beta", names[1]);
    CStringArray lines;
    EXPECT_GE(ini.GetSectionLines(L"One", lines), 2u);
    EXPECT_STREQ(L"alpha=1", lines[0]);
    EXPECT_TRUE(ini.HasKey(L"One", L"alpha"));
    EXPECT_FALSE(ini.HasKey(L"One", L"delta"));

    // Copies are refused onto themselves, from nothing, or over an existing target when asked.
    EXPECT_FALSE(ini.CopySection(L"One", L"ONE", FALSE));
    EXPECT_FALSE(ini.CopySection(L"Nothing", L"Three", FALSE));
    EXPECT_FALSE(ini.CopySection(L"One", L"Two", TRUE));
    EXPECT_TRUE(ini.CopySection(L"One", L"Two", FALSE));
    EXPECT_STREQ(L"1", ini.GetString(L"Two", L"alpha"));
    EXPECT_FALSE(ini.HasKey(L"Two", L"gamma")); // the target was replaced
    EXPECT_TRUE(ini.MoveSection(L"Two", L"Three"));
    EXPECT_FALSE(ini.HasSection(L"Two"));
    EXPECT_STREQ(L"1", ini.GetString(L"Three", L"alpha"));

    EXPECT_FALSE(ini.CopyKey(L"One", L"alpha", L"one", L"ALPHA", FALSE));
    EXPECT_FALSE(ini.CopyKey(L"One", L"missing", L"One", L"x", FALSE));
    EXPECT_FALSE(ini.CopyKey(L"One", L"alpha", L"Three", L"alpha", TRUE));
    EXPECT_TRUE(ini.MoveKey(L"One", L"alpha", L"One", L"moved"));
    EXPECT_FALSE(ini.HasKey(L"One", L"alpha"));
    EXPECT_STREQ(L"1", ini.GetString(L"One", L"moved"));

    EXPECT_TRUE(ini.DeleteKey(L"One", L"moved"));
    EXPECT_FALSE(ini.HasKey(L"One", L"moved"));
    EXPECT_TRUE(ini.DeleteSection(L"Three"));
    EXPECT_FALSE(ini.HasSection(L"Three"));
}
