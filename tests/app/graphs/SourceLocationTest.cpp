#include "app/graphs/input/SourceLocation.h"

#include <gtest/gtest.h>

namespace {

struct KindCase
{
    const wchar_t* location;
    SourceLocationKind kind;
};

const KindCase kKinds[] = {
    {L"mms://media.example.com/live", SourceLocationKind::NetworkSource},
    {L"mms://media.example.com/dir/clip.wmv", SourceLocationKind::WindowsMediaReader},
    {L"mms://10.0.0.5", SourceLocationKind::NetworkSource},
    {L"mms://10.0.0.5/", SourceLocationKind::NetworkSource},
    {L"c:\\shows\\intro.asx", SourceLocationKind::WindowsMediaReader},
    {L"c:\\shows\\intro.ASX", SourceLocationKind::PlainFile},
    {L"c:\\shows\\a.mpg", SourceLocationKind::PlainFile},
    {L"c:\\shows.asx\\a", SourceLocationKind::PlainFile},
    {L"", SourceLocationKind::PlainFile},
};

} // namespace

TEST(SourceLocationTest, KindFollowsTheAddress)
{
    for (const KindCase& c : kKinds)
        EXPECT_EQ(ClassifySourceLocation(c.location), c.kind) << "location: " << testing::PrintToString(c.location);
    EXPECT_EQ(ClassifySourceLocation(nullptr), SourceLocationKind::PlainFile);
}

TEST(SourceLocationTest, SplitterFollowsTheExtensionInAnyCase)
{
    EXPECT_EQ(SplitterForFile(L"d:\\dvd\\VTS_01_1.VOB"), &CLSID_Mpeg2SplitterFilter);
    EXPECT_EQ(SplitterForFile(L"d:\\a.vob"), &CLSID_Mpeg2SplitterFilter);
    EXPECT_EQ(SplitterForFile(L"d:\\a.rm"), &CLSID_RealMediaSplitter);
    EXPECT_EQ(SplitterForFile(L"d:\\a.RMVB"), &CLSID_RealMediaSplitter);
    EXPECT_EQ(SplitterForFile(L"d:\\a.avi"), nullptr);
    EXPECT_EQ(SplitterForFile(L"d:\\vob"), nullptr);
    EXPECT_EQ(SplitterForFile(nullptr), nullptr);
}
