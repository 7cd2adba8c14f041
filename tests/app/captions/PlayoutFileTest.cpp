// The playout list file byte for byte: a fixture built by hand from the format read to the
// expected lists and written back to the same bytes; hostile files refused with the lists as
// they were; saving through a temporary; and the log export's bytes.
#include "app/captions/PlayoutFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

typedef std::vector<BYTE> Bytes;

void Append(Bytes& bytes, std::initializer_list<int> values)
{
    for (int v : values)
        bytes.push_back(static_cast<BYTE>(v));
}

void AppendInt(Bytes& bytes, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
}

void AppendText(Bytes& bytes, const char* text)
{
    AppendInt(bytes, static_cast<DWORD>(strlen(text)));
    for (const char* p = text; *p; ++p)
        bytes.push_back(static_cast<BYTE>(*p));
}

// Where each field of the fixture begins, so the hostile cases can change one.
struct Fixture {
    Bytes bytes;
    size_t type = 0;
    size_t nameLength = 0;
    size_t programmeCount = 0;
    size_t captionCount = 0;
    size_t pathLength = 0;
};

// One timed programme from a capture device (with a path) and a file for sound, and one
// caption, in the order the file is written: captions hold their numbers before their path
// and name.
Fixture MakeFixture()
{
    Fixture f;
    Bytes& b = f.bytes;
    AppendInt(b, 0); // the dialog's reserved value
    AppendInt(b, 0); // the queue's reserved value
    f.programmeCount = b.size();
    AppendInt(b, 1);
    f.type = b.size();
    AppendInt(b, 1); // timed
    // The video descriptor: "Cam", "\\?\usb#1", flags 3.
    Append(b, {0xFF, 0xFE, 0xFF, 3, 'C', 0, 'a', 0, 'm', 0});
    Append(b, {0xFF, 0xFE, 0xFF, 8, '\\', 0, '\\', 0, '?', 0, '\\', 0, 'u', 0, 's', 0, 'b', 0, '1', 0});
    AppendInt(b, 3);
    // The audio descriptor: "c:\s.wav", no path, flags 1.
    Append(b, {0xFF, 0xFE, 0xFF, 8, 'c', 0, ':', 0, '\\', 0, 's', 0, '.', 0, 'w', 0, 'a', 0, 'v', 0});
    Append(b, {0xFF, 0xFE, 0xFF, 0});
    AppendInt(b, 1);
    f.nameLength = b.size();
    AppendText(b, "News");
    AppendInt(b, 1700000000); // scheduled start
    AppendInt(b, 12);         // start position
    AppendInt(b, 3600);       // duration
    AppendInt(b, 2);          // play count
    AppendInt(b, 1);          // reserved
    f.captionCount = b.size();
    AppendInt(b, 1);
    AppendInt(b, 1700000100); // display time
    AppendInt(b, 30);         // display duration
    Append(b, {1});           // enabled
    f.pathLength = b.size();
    AppendText(b, "c:\\rxf\\a.rxf");
    AppendText(b, "Title");
    return f;
}

bool Load(const Bytes& bytes, PlayoutList& list)
{
    Bytes copy = bytes;
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()));
    try {
        CArchive ar(&file, CArchive::load);
        list.Serialize(ar);
        return true;
    } catch (CArchiveException* e) {
        e->Delete();
        return false;
    }
}

Bytes Store(PlayoutList& list)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        list.Serialize(ar);
        ar.Close();
    }
    const UINT length = static_cast<UINT>(file.GetLength());
    BYTE* data = file.Detach();
    Bytes bytes(data, data + length);
    free(data);
    return bytes;
}

// A list with contents of its own, to see that a refused file leaves it alone.
void FillKept(PlayoutList& list)
{
    PlayItem item;
    item.name = "Kept";
    item.duration = 5;
    list.queue.Add(item);
    CaptionItem caption;
    caption.name = "KeptCaption";
    list.captions.push_back(caption);
    list.reserved = 7;
}

void ExpectKept(const PlayoutList& list, const std::string& label)
{
    ASSERT_EQ(1, list.queue.GetCount()) << label;
    EXPECT_STREQ("Kept", list.queue.At(0)->name) << label;
    ASSERT_EQ(1u, list.captions.size()) << label;
    EXPECT_STREQ("KeptCaption", list.captions[0].name) << label;
    EXPECT_EQ(7, list.reserved) << label;
}

void Patch(Bytes& bytes, size_t at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<BYTE>(value >> (8 * i));
}

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

Bytes ReadFileBytes(const std::wstring& path)
{
    Bytes bytes;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return bytes;
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back(static_cast<BYTE>(c));
    fclose(f);
    return bytes;
}

TEST(PlayoutFileTest, AHandMadeFileReadsToItsListsAndWritesBackByteForByte)
{
    const Fixture fixture = MakeFixture();
    PlayoutList list;
    ASSERT_TRUE(Load(fixture.bytes, list));

    EXPECT_EQ(0, list.reserved);
    EXPECT_EQ(0, list.queue.m_reserved);
    ASSERT_EQ(1, list.queue.GetCount());
    const PlayItem& item = *list.queue.At(0);
    EXPECT_EQ(static_cast<DWORD>(kPlayTimed), item.type);
    EXPECT_STREQ(L"Cam", item.video.name);
    EXPECT_STREQ(L"\\\\?\\usb1", item.video.path);
    EXPECT_EQ(3u, item.video.flags);
    EXPECT_FALSE(item.video.filter); // bound again by the main window when it loads
    EXPECT_STREQ(L"c:\\s.wav", item.audio.name);
    EXPECT_TRUE(item.audio.path.IsEmpty());
    EXPECT_EQ(1u, item.audio.flags);
    EXPECT_STREQ("News", item.name);
    EXPECT_EQ(1700000000u, item.scheduledStart);
    EXPECT_EQ(12, item.startPosition);
    EXPECT_EQ(3600, item.duration);
    EXPECT_EQ(2, item.playCount);
    EXPECT_EQ(1, item.reserved);
    ASSERT_EQ(1u, list.captions.size());
    const CaptionItem& caption = list.captions[0];
    EXPECT_STREQ("Title", caption.name);
    EXPECT_STREQ("c:\\rxf\\a.rxf", caption.pagePath);
    EXPECT_EQ(1700000100u, caption.displayTime);
    EXPECT_EQ(30, caption.displayDuration);
    EXPECT_EQ(1, caption.enabled);

    EXPECT_EQ(fixture.bytes, Store(list));
}

TEST(PlayoutFileTest, HostileFilesAreRefusedWithTheListsAsTheyWere)
{
    const Fixture fixture = MakeFixture();
    struct Case {
        const char* what;
        size_t at;
        DWORD value;
        bool accepted;
    };
    const Case cases[] = {
        {"type 2", fixture.type, 2, true},
        {"type 3", fixture.type, 3, false},
        {"type -1", fixture.type, 0xFFFFFFFFu, false},
        {"name of -1 bytes", fixture.nameLength, 0xFFFFFFFFu, false},
        {"name of 2^31 bytes", fixture.nameLength, 0x80000000u, false},
        {"name of 260 bytes", fixture.nameLength, 260, false},
        {"path of 260 bytes", fixture.pathLength, 260, false},
        {"path of -5 bytes", fixture.pathLength, 0xFFFFFFFBu, false},
        {"-1 programmes", fixture.programmeCount, 0xFFFFFFFFu, false},
        {"2^31 - 1 programmes", fixture.programmeCount, 0x7FFFFFFFu, false},
        {"-1 captions", fixture.captionCount, 0xFFFFFFFFu, false},
        {"a million captions", fixture.captionCount, 1000000, false},
    };
    for (const Case& c : cases) {
        Bytes bytes = fixture.bytes;
        Patch(bytes, c.at, c.value);
        PlayoutList list;
        FillKept(list);
        EXPECT_EQ(c.accepted, Load(bytes, list)) << c.what;
        if (!c.accepted)
            ExpectKept(list, c.what);
    }

    // A name of exactly 259 bytes is the format's longest.
    PlayoutList longest;
    PlayItem item;
    item.name = CStringA('n', kPlayoutStringMax);
    longest.queue.Add(item);
    PlayoutList back;
    ASSERT_TRUE(Load(Store(longest), back));
    EXPECT_EQ(kPlayoutStringMax, back.queue.At(0)->name.GetLength());

    // Cut at every byte: every field's end is a place the reader must stop at.
    for (size_t length = 0; length < fixture.bytes.size(); ++length) {
        Bytes cut(fixture.bytes.begin(), fixture.bytes.begin() + static_cast<ptrdiff_t>(length));
        PlayoutList list;
        FillKept(list);
        EXPECT_FALSE(Load(cut, list)) << "cut at " << length;
        ExpectKept(list, "cut at " + std::to_string(length));
    }
}

TEST(PlayoutFileTest, SavedFilesReadBackAndAFailedSaveKeepsTheOldFile)
{
    const std::wstring path = TempPath(L"rvx_playout_test.rxb");
    DeleteFileW(path.c_str());
    PlayoutList list;
    ASSERT_TRUE(Load(MakeFixture().bytes, list));
    PlayItem second;
    second.type = kPlayInsert;
    second.name = "Ad";
    second.video.name = L"c:\\ad.avi";
    second.video.flags = SourceDescriptor::kNamed;
    second.duration = 15;
    second.playCount = 3;
    list.queue.Add(second);

    ASSERT_TRUE(SavePlayoutFile(path.c_str(), list));
    const Bytes saved = ReadFileBytes(path);
    EXPECT_EQ(Store(list), saved);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((path + L".tmp").c_str()));

    PlayoutList back;
    FillKept(back);
    ASSERT_TRUE(LoadPlayoutFile(path.c_str(), back));
    ASSERT_EQ(2, back.queue.GetCount());
    EXPECT_STREQ("Ad", back.queue.At(1)->name);
    EXPECT_EQ(3, back.queue.At(1)->playCount);
    EXPECT_EQ(1u, back.captions.size());

    // A file that is no playout list, and one that is not there: refused, lists kept.
    const std::wstring junk = TempPath(L"rvx_playout_junk.rxb");
    FILE* f = _wfopen(junk.c_str(), L"wb");
    ASSERT_NE(nullptr, f);
    fputs("not a playout list at all", f);
    fclose(f);
    PlayoutList kept;
    FillKept(kept);
    EXPECT_FALSE(LoadPlayoutFile(junk.c_str(), kept));
    ExpectKept(kept, "junk");
    EXPECT_FALSE(LoadPlayoutFile(TempPath(L"no such folder\\x.rxb").c_str(), kept));
    ExpectKept(kept, "missing");

    // A save that cannot be written reports it and leaves what was stored.
    EXPECT_FALSE(SavePlayoutFile(TempPath(L"no such folder\\x.rxb").c_str(), list));
    // The stored file held open by another program (a reader that shares it only for
    // reading): it cannot be replaced, and it keeps what it held.
    HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    PlayoutList other;
    FillKept(other);
    EXPECT_FALSE(SavePlayoutFile(path.c_str(), other));
    CloseHandle(reader);
    EXPECT_EQ(saved, ReadFileBytes(path));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((path + L".tmp").c_str()));
    DeleteFileW(path.c_str());
    DeleteFileW(junk.c_str());
}

TEST(PlayoutFileTest, TheLogIsExportedInTheAnsiCodePageWithCrLfAndNoMark)
{
    const std::wstring path = TempPath(L"rvx_playout_log.txt");
    ASSERT_TRUE(ExportLogFile(path.c_str(), {L"[10:00:00]: start", L"[10:00:05]: load A"}));
    const std::string expected = "[10:00:00]: start\r\n[10:00:05]: load A\r\n";
    EXPECT_EQ(Bytes(expected.begin(), expected.end()), ReadFileBytes(path));

    // An empty log gives an empty file, replacing the old one.
    ASSERT_TRUE(ExportLogFile(path.c_str(), {}));
    EXPECT_TRUE(ReadFileBytes(path).empty());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));

    if (GetACP() == 936) {
        // Simplified Chinese Windows: GBK bytes, two a character.
        ASSERT_TRUE(ExportLogFile(path.c_str(), {L"开始播出..."}));
        const Bytes gbk = {0xBF, 0xAA, 0xCA, 0xBC, 0xB2, 0xA5, 0xB3, 0xF6, '.', '.', '.', '\r', '\n'};
        EXPECT_EQ(gbk, ReadFileBytes(path));
    }
    DeleteFileW(path.c_str());
}

} // namespace
