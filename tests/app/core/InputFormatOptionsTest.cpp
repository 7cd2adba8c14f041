#include "app/core/InputFormatOptions.h"

#include <afx.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<BYTE> Store(InputFormatOptions o)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        o.Serialize(ar);
    }
    const UINT n = static_cast<UINT>(file.GetLength());
    BYTE* bytes = file.Detach();
    std::vector<BYTE> out(bytes, bytes + n);
    free(bytes);
    return out;
}

} // namespace

// What a project file holds for a channel the operator never formatted: automatic image
// format and deinterlacing, automatic aspect (2), odd lines first, aspect kept.
TEST(InputFormatOptionsTest, AnUnformattedChannelStoresTheAutomaticRecord)
{
    const std::vector<BYTE> expected = {0x00, 0, 0, 0, 0x00, 0, 0, 0, 0x02, 0, 0, 0, 0x00, 0, 0, 0, 0x01, 0, 0, 0};
    EXPECT_EQ(Store(InputFormatOptions()), expected);
}

TEST(InputFormatOptionsTest, StoresFiveLittleEndianIntsInOrder)
{
    InputFormatOptions o;
    o.imageFormat = 1;
    o.deinterlace = 1;
    o.aspect = 0;
    o.fieldOrder = 1;
    o.keepAspect = 0;
    const std::vector<BYTE> expected = {0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x00, 0, 0, 0, 0x01, 0, 0, 0, 0x00, 0, 0, 0};
    EXPECT_EQ(Store(o), expected);
}

TEST(InputFormatOptionsTest, LoadsAHandWrittenRecord)
{
    // image format 1, deinterlace 0, aspect 16:9, field order even first, keep aspect 1
    BYTE bytes[] = {0x01, 0, 0, 0, 0x00, 0, 0, 0, 0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x01, 0, 0, 0};
    CMemFile file(bytes, sizeof bytes);
    CArchive ar(&file, CArchive::load);
    InputFormatOptions o;
    o.Serialize(ar);
    InputFormatOptions expected;
    expected.imageFormat = 1;
    expected.deinterlace = 0;
    expected.aspect = 1;
    expected.fieldOrder = 1;
    expected.keepAspect = 1;
    EXPECT_EQ(o, expected);
}

TEST(InputFormatOptionsTest, ATruncatedRecordThrowsAndChangesNothing)
{
    BYTE bytes[] = {0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x00, 0, 0};
    CMemFile file(bytes, sizeof bytes);
    CArchive ar(&file, CArchive::load);
    InputFormatOptions o;
    bool threw = false;
    try {
        o.Serialize(ar);
    } catch (CArchiveException* e) {
        threw = true;
        e->Delete();
    }
    EXPECT_TRUE(threw);
    EXPECT_EQ(o, InputFormatOptions());
}
