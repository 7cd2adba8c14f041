#include "app/foundation/HttpBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using http::CBuffer;

std::vector<BYTE> Bytes(const CBuffer& b) { return std::vector<BYTE>(b.GetData(), b.GetData() + b.GetLength()); }

struct GrowthCase {
    const char* what;
    UINT first;       // bytes appended first
    UINT keep;        // length kept of them (the rest dropped from the front)
    bool reserve;     // the second step reserves instead of appending
    UINT second;      // bytes of the second step
    UINT capacity;    // expected afterwards
    UINT length;
};

TEST(HttpBuffer, CapacityFollowsTheGrowthRule)
{
    const GrowthCase cases[] = {
        {"10 bytes into an empty buffer", 0, 0, false, 10, 1024, 10},
        {"a whole block stays one block", 0, 0, false, 1024, 1024, 1024},
        {"one byte past a block", 1024, 1024, false, 1, 2048, 1025},
        {"600 KB block reused for 10 bytes shrinks to 256 KB", 600 * 1024, 0, false, 10, 262144, 10},
        {"600 KB block reused for 256 KB does not shrink", 600 * 1024, 0, false, 262144, 600 * 1024, 262144},
        {"512 KB block exactly does not shrink", 512 * 1024, 0, false, 10, 512 * 1024, 10},
        {"reserve never shrinks", 600 * 1024, 0, true, 10, 600 * 1024, 0},
        {"reserve with room enough keeps the block", 100, 100, true, 924, 1024, 100},
        {"reserve grows by the need rounded up", 100, 100, true, 925, 2048, 100},
    };
    for (const GrowthCase& c : cases) {
        CBuffer b;
        std::vector<BYTE> fill(c.first, 0x5A);
        if (c.first) {
            ASSERT_TRUE(b.Append(fill.data(), c.first)) << c.what;
        }
        if (c.keep < c.first) {
            if (c.keep == 0)
                b.Empty();
            else
                b.Consume(c.first - c.keep);
        }
        std::vector<BYTE> more(c.second, 0xA5);
        if (c.reserve) {
            ASSERT_TRUE(b.Reserve(c.second)) << c.what;
        } else {
            ASSERT_TRUE(b.Append(more.data(), c.second)) << c.what;
        }
        EXPECT_EQ(c.capacity, b.GetCapacity()) << c.what;
        EXPECT_EQ(c.length, b.GetLength()) << c.what;
    }
}

TEST(HttpBuffer, EditsLinesAndTexts)
{
    CBuffer b;
    ASSERT_TRUE(b.AppendAnsi("world\r\r\nline two\n"));
    ASSERT_TRUE(b.Insert(0, "hello ", 6));
    EXPECT_TRUE(b.StartsWith("hello"));
    EXPECT_FALSE(b.StartsWith("world"));
    CString line;
    ASSERT_TRUE(b.ReadLine(line, CP_ACP, TRUE));
    EXPECT_STREQ(L"hello world\r", line); // cut at its last CR only
    ASSERT_TRUE(b.ReadLine(line, CP_ACP));
    EXPECT_STREQ(L"hello world\r", line);
    ASSERT_TRUE(b.ReadLine(line, CP_ACP));
    EXPECT_STREQ(L"line two", line);
    EXPECT_EQ(0u, b.GetLength());
    ASSERT_TRUE(b.AppendAnsi("no line feed"));
    EXPECT_FALSE(b.ReadLine(line, CP_ACP));

    b.Consume(0);
    b.Consume(100); // more than held: nothing
    EXPECT_EQ(12u, b.GetLength());
    b.Consume(3);
    EXPECT_STREQ(L"line feed", b.ToText(100, CP_ACP));
    EXPECT_STREQ(L"line", b.ToText(4, CP_ACP));

    CBuffer other;
    ASSERT_TRUE(other.AppendText(L"\x4E2D\x6587", CP_UTF8)); // two characters, six bytes
    EXPECT_EQ(6u, other.GetLength());
    EXPECT_EQ(3u, b.MoveFrom(other, 3));
    EXPECT_EQ(3u, other.GetLength());
    EXPECT_EQ(3u, b.MoveFrom(other));
    EXPECT_EQ(0u, other.GetLength());
    EXPECT_STREQ(L"line feed\x4E2D\x6587", b.ToText(b.GetLength(), CP_UTF8));
    EXPECT_TRUE(b.StartsWith("line ", TRUE));
    EXPECT_STREQ(L"feed\x4E2D\x6587", b.ToText(b.GetLength(), CP_UTF8));
}

TEST(HttpBuffer, RecordIsFramedByteForByte)
{
    CBuffer b;
    ASSERT_TRUE(b.AppendRecord(3, "ab", "x:y", "DATA1", 5));
    const std::vector<BYTE> expected = {
        0x0E, 0x20, 0x00, 0x00,             // 0x08 + flag bits 0 and 1; ':' in the text
        0x00, 0x02, 0x00, 0x03,             // name and text lengths, big-endian
        0x00, 0x00, 0x00, 0x05,             // data length
        'a', 'b', 0, 0,                     // name padded to 4
        'x', ':', 'y', 0,                   // text padded to 4
        'D', 'A', 'T', 'A', '1', 0, 0, 0,   // data padded to 4
    };
    EXPECT_EQ(expected, Bytes(b));

    DWORD flags = 0;
    CStringA name, text;
    UINT data = 0;
    ASSERT_TRUE(b.ReadRecord(flags, name, text, data));
    EXPECT_EQ(3u, flags);
    EXPECT_STREQ("ab", name);
    EXPECT_STREQ("x:y", text);
    EXPECT_EQ(5u, data);
    EXPECT_EQ(8u, b.GetLength()); // the data bytes (and their padding) come first now
    EXPECT_TRUE(b.StartsWith("DATA1"));

    CBuffer plain;
    ASSERT_TRUE(plain.AppendRecord(0, "", "t", nullptr, 0));
    const std::vector<BYTE> expectedPlain = {0x08, 0x10, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 't', 0, 0, 0};
    EXPECT_EQ(expectedPlain, Bytes(plain));
}

TEST(HttpBuffer, RecordReaderRefusesWhatIsNotAWholeRecord)
{
    const std::vector<BYTE> good = {0x08, 0x10, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 'n', 0, 0, 0};
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
    };
    auto with = [&](size_t at, BYTE v) {
        std::vector<BYTE> b = good;
        b[at] = v;
        return b;
    };
    const Case cases[] = {
        {"eleven bytes", std::vector<BYTE>(good.begin(), good.begin() + 11)},
        {"first byte not 00001xxx", with(0, 0x18)},
        {"first byte zero", with(0, 0x00)},
        {"second byte 0x30", with(1, 0x30)},
        {"byte 2 set", with(2, 1)},
        {"byte 3 set", with(3, 1)},
        {"name padding missing", std::vector<BYTE>(good.begin(), good.begin() + 15)},
        {"data length 0xFFFFFFFF", [&] {
             std::vector<BYTE> b = good;
             b[8] = b[9] = b[10] = b[11] = 0xFF;
             return b;
         }()},
        {"name length 0xFFFF", with(4, 0xFF)},
    };
    for (const Case& c : cases) {
        CBuffer b;
        ASSERT_TRUE(b.Append(c.bytes.data(), static_cast<UINT>(c.bytes.size())));
        DWORD flags = 7;
        CStringA name("keep"), text("keep");
        UINT data = 7;
        EXPECT_FALSE(b.ReadRecord(flags, name, text, data)) << c.what;
        EXPECT_EQ(c.bytes, Bytes(b)) << c.what << ": nothing is removed";
        EXPECT_STREQ("keep", name) << c.what;
    }
    CBuffer b;
    ASSERT_TRUE(b.Append(good.data(), static_cast<UINT>(good.size())));
    DWORD flags;
    CStringA name, text;
    UINT data;
    EXPECT_TRUE(b.ReadRecord(flags, name, text, data));
}

} // namespace
