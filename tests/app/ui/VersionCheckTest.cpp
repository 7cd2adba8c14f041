#include "app/ui/VersionCheck.h"

#include "app/foundation/AppHelpers.h"
#include "tests/app/foundation/HttpTestServer.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/UiTestFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const UINT WM_VERSION_DONE = WM_APP + 0x99;

TEST(VersionCheck, VersionsCompareFieldByFieldAsNumbers)
{
    struct Case {
        LPCWSTR a, b;
        int order;
    } cases[] = {
        {L"1.0.10.0", L"1.0.9.0", 1},  {L"1.0.0.0", L"1.0.0.0", 0}, {L"1.2", L"1.2.0.0", 0},
        {L"2.0.0.0", L"10.0.0.0", -1}, {L"1.0.0.1", L"1.0.0.0", 1}, {L"0.9.9.9", L"1.0.0.0", -1},
        {L"4294967295.0.0.0", L"1.0.0.0", 1},
    };
    for (const Case& c : cases) {
        DWORD a[4], b[4];
        ASSERT_TRUE(ParseVersionText(c.a, a)) << c.a;
        ASSERT_TRUE(ParseVersionText(c.b, b)) << c.b;
        EXPECT_EQ(c.order, CompareVersionFields(a, b)) << c.a << " against " << c.b;
        EXPECT_EQ(-c.order, CompareVersionFields(b, a)) << c.b << " against " << c.a;
    }
    for (LPCWSTR bad : {L"", L"1..0", L"1.0.0.0.0", L"a.b", L"1.0 beta", L"-1", L"1.", L".1", L"4294967296"}) {
        DWORD v[4];
        EXPECT_FALSE(ParseVersionText(bad, v)) << bad;
    }
}

class VersionCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(TestServerUrl(L"/").IsEmpty()) << "run through with-http-server.sh";
        folder = MakeTestFolder(L"version_check");
        SetExeDirectoryOverride(folder.c_str());
        notes = folder + L"\\rvxrelease.txt";
        ::DeleteFileW(notes.c_str());
    }
    void TearDown() override
    {
        ::DeleteFileW(notes.c_str());
        SetExeDirectoryOverride(nullptr);
        ::RemoveDirectoryW(folder.c_str());
    }

    // Runs the check against the server answering `path` and returns whether it asked.
    BOOL Check(LPCWSTR path, LPCWSTR installed)
    {
        CNewVersionCheck check(TestServerUrl(path), installed);
        check.SetShellOpen([this](HWND, LPCWSTR opened) { this->opened.push_back(opened); });
        EXPECT_TRUE(check.Start(sink.Handle(), WM_VERSION_DONE));
        EXPECT_EQ(WM_VERSION_DONE, sink.Wait());
        return check.OnDone(nullptr);
    }

    std::string NotesBytes()
    {
        std::ifstream in(std::string(CStringA(notes.c_str())), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::wstring folder, notes;
    CMessageSink sink;
    CDialogSeams seams;
    std::vector<std::wstring> opened;
};

TEST_F(VersionCheckTest, OnlyANewerFirstLineOffersTheReleaseNotes)
{
    struct Case {
        const char* what;
        LPCWSTR path;
    } quiet[] = {
        {"the same version", L"/say?b=1.0.9.0%0D%0Anotes"},
        {"an older version", L"/say?b=1.0.8.99%0D%0Anotes"},
        {"no line break", L"/say?b=9.9.9.9"},
        {"a first line that is no version", L"/say?b=%3Chtml%3E%0D%0A9.9.9.9%0D%0A"},
        {"a page that is not there", L"/missing"},
    };
    for (const Case& c : quiet) {
        EXPECT_FALSE(Check(c.path, L"1.0.9.0")) << c.what;
        EXPECT_TRUE(seams.boxes.empty()) << c.what;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(notes.c_str())) << c.what;
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(VersionCheckTest, NewerVersionWritesTheNotesAndOpensThemOnYes)
{
    // 1.0.10.0 is newer than 1.0.9.0, though it sorts before it as text.
    ASSERT_TRUE(WriteBytes(notes, "an older file, longer than the new notes"));
    seams.answers.push_back(IDNO);
    EXPECT_TRUE(Check(L"/say?b=1.0.10.0%0D%0Afixes%0D%0A", L"1.0.9.0"));
    EXPECT_EQ("1.0.10.0\r\nfixes\r\n", NotesBytes()); // created or truncated
    ASSERT_EQ(1u, seams.boxes.size());
    EXPECT_EQ(L"\x66F4\x65B0|\x53D1\x73B0\x65B0\x7248\x672C 1.0.10.0\xFF08\x5DF2\x5B89\x88C5\x7684\x7248\x672C\x4E3A 1.0.9.0\xFF09\x3002\x662F\x5426\x67E5\x770B\x66F4\x65B0\x8BF4\x660E\xFF1F",
              seams.boxes[0]);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION), seams.boxTypes[0]);
    EXPECT_TRUE(opened.empty()) << "No leaves the notes closed";

    seams.answers.push_back(IDYES);
    EXPECT_TRUE(Check(L"/say?b=2.0.0.0%0D%0A%E6%96%B0", L"1.0.9.0"));
    EXPECT_EQ("2.0.0.0\r\n\xE6\x96\xB0", NotesBytes()); // the body's bytes as downloaded
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(notes, opened[0]);
}

} // namespace
