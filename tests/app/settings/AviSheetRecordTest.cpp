// What the AVI sheet applies is what the next recording does: the record the main window
// copies from the sheet goes to the AVI output graph, which writes into the sheet's folder
// and splits at the sheet's size.
#include "app/settings/OutputSheets.h"

#include "app/graphs/outputs/avi/AviComposeGraph.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "tests/app/settings/OutputPagesFixture.h"
#include "tests/app/graphs/ProgramAudioType.h"

namespace {

CMediaType SmallVideoType()
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&FORMAT_VideoInfo);
    VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    ZeroMemory(vih, sizeof *vih);
    vih->AvgTimePerFrame = 400000;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = 64;
    vih->bmiHeader.biHeight = 48;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 32;
    vih->bmiHeader.biSizeImage = 64 * 48 * 4;
    mt.SetSampleSize(64 * 48 * 4);
    mt.SetTemporalCompression(FALSE);
    return mt;
}

} // namespace

TEST_F(OutputPagesTest, AnAviRecordingStartedAfterTheSheetSplitsAtItsSizeIntoItsFolder)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const CString recordings = folder_ + L"\\recordings";
    CreateDirectoryW(recordings, nullptr);

    // The main window's record before the sheet, and the sheet's changes.
    AviOutputSettings record;
    record.Path = L"C:\\elsewhere";
    record.VCodec = L"None";
    record.ACodec = L"None";
    {
        CAviOutputSheet sheet;
        ASSERT_TRUE(sheet.Create());
        Pump();
        SetText(sheet.m_page, IDC_AVI_PATH, recordings + L"\\");
        SetText(sheet.m_page, IDC_AVI_MAX, L"3");
        sheet.m_page.CheckDlgButton(IDC_AVI_SPLIT, BST_CHECKED);
        SendItem(sheet.m_page, IDC_AVI_VCODEC, CB_SETCURSEL, 0);   // "None"
        SendItem(sheet.m_page, IDC_AVI_ACODEC, CB_SETCURSEL, 0);
        sheet.SendMessage(PSM_PRESSBUTTON, PSBTN_OK);
        Pump();
        ASSERT_TRUE(sheet.CopyApplied(record));
    }
    EXPECT_EQ(record.Max, 3);

    ULONGLONG reported = 0;
    std::unique_ptr<CAviComposeGraph> graph(new CAviComposeGraph());
    graph->SetFileSize([&reported](LPCWSTR, ULONGLONG* size) {
        *size = reported;
        return true;
    });
    graph->SetSplitTimer(false);
    ASSERT_EQ(graph->Create(), S_OK);
    const CMediaType video = SmallVideoType(), audio = ProgramAudioType();
    ASSERT_EQ(graph->GetComposeSource()->SetPinMediaType(0, &video), S_OK);
    ASSERT_EQ(graph->GetComposeSource()->SetPinMediaType(1, &audio), S_OK);
    graph->SetAviSettings(record);
    ASSERT_EQ(graph->Build(), S_OK);
    const CString first = graph->CurrentFileName();
    EXPECT_EQ(first.Left(recordings.GetLength() + 1).CompareNoCase(recordings + L"\\"), 0) << static_cast<LPCWSTR>(first);
    ASSERT_NE(graph->Splitter(), nullptr);
    ASSERT_EQ(graph->Run(), S_OK);

    reported = 3ULL * 1024 * 1024 - 1;   // just below the sheet's size: the file goes on
    graph->Splitter()->Tick();
    EXPECT_EQ(graph->Splitter()->Splits(), 0);
    reported = 3ULL * 1024 * 1024;       // at the size: a new file in the same folder
    graph->Splitter()->Tick();
    ASSERT_EQ(WaitForSingleObject(graph->Splitter()->SplitDoneEvent(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(graph->Splitter()->LastError(), S_OK);
    EXPECT_EQ(graph->Splitter()->Splits(), 1);
    const CString second = graph->CurrentFileName();
    EXPECT_NE(second, first);
    EXPECT_EQ(second.Left(recordings.GetLength() + 1).CompareNoCase(recordings + L"\\"), 0) << static_cast<LPCWSTR>(second);

    EXPECT_EQ(graph->Stop(), S_OK);
    EXPECT_EQ(graph->Destroy(), S_OK);
    graph.reset();
    for (const CString& file : { first, second })
        DeleteFileW(file);
    RemoveDirectoryW(recordings);
    CoUninitialize();
}
