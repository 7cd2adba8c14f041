// The caption editor's pages in a project, on the real desk: the pages on air are saved with
// the project and go on air again when it is opened, read back from the program frames.
#include "app/ui/RavelmixerDlg.h"

#include "app/captions/CharObjList.h"
#include "app/captions/MoreCharDlg.h"
#include "app/core/OutputType.h"
#include "app/engine/VideoMixer.h"
#include "tests/app/engine/DirectorStandIns.h"
#include "tests/app/ui/DeskFixture.h"
#include "tests/app/ui/ScreenshotPng.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace desk_test;

const DWORD kMagenta = 0xC800C8;

::testing::AssertionResult Near(DWORD actual, DWORD expected)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > 12)
            return ::testing::AssertionFailure() << std::hex << "colour 0x" << actual << " is not near 0x" << expected;
    }
    return ::testing::AssertionSuccess();
}

class DeskCaptionProjectTest : public DeskFixture {
protected:
    static void SetUpTestSuite() { PrepareFolder(L"rvx_desk_caption_project"); }
    static void TearDownTestSuite() { RemoveFolder(); }
    void SetUp() override { OpenOnOutput(); }

    // The desk whose outputs are stand-ins that keep the program frames they receive; one is
    // started.
    void OpenOnOutput()
    {
        OpenDesk(&m_outputs);
        m_outputs.width = m_desk->GetOutputWidth();
        m_outputs.height = m_desk->GetOutputHeight();
        ASSERT_EQ(m_desk->GetDirector().StartOutput(kOutputVirtualDevice), S_OK);
        m_output = m_outputs.records[kOutputVirtualDevice].get();
    }
    // Two ticks of the mixing clock by hand (an interlaced program sends one frame for two);
    // the pixel (x, y) of the frame sent out.
    DWORD TickAndRead(int x, int y)
    {
        const size_t before = m_output->FrameCount();
        m_desk->GetDirector().GetVideoMixer()->OnClockTick();
        m_desk->GetDirector().GetVideoMixer()->OnClockTick();
        if (!m_output->WaitForFrames(before + 1)) {
            ADD_FAILURE() << "no frame arrived";
            return 0xDEADBEEF;
        }
        return m_output->PixelAt(x, y);
    }
    void TearDown() override { CloseDesk(); }

    void Command(UINT id) { m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void EditorCommand(UINT id)
    {
        CMoreCharDlg* editor = m_desk->GetCaptionEditor();
        editor->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                            reinterpret_cast<LPARAM>(::GetDlgItem(editor->m_hWnd, id)));
    }
    bool EditorOn()
    {
        CMoreCharDlg* editor = m_desk->GetCaptionEditor();
        return editor && ::IsDlgButtonChecked(editor->m_hWnd, IDC_MORE_ONOFF) == BST_CHECKED;
    }

    // A page of one text object whose shown magenta background covers `rect` of the canvas.
    std::wstring WritePage(const wchar_t* name, RECT rect)
    {
        CCharObjList page;
        CCharObject* object = new CCharObject;
        CharTextStyle style;
        style.SetDefault();
        style.font.lfHeight = 8;
        style.background = 1;
        style.backgroundColour = RGB(200, 0, 200);
        object->SetText(style, L".");
        object->SetRect(rect);
        object->SetMotion(0);
        page.Add(object);
        const std::wstring path = s_folder + L"\\" + name;
        EXPECT_TRUE(page.SaveToFile(path.c_str()));
        return path;
    }

    directortest::CallLog m_log;
    directortest::StandInOutputFactory m_outputs{&m_log};
    directortest::OutputRecord* m_output = nullptr;
};

} // namespace

TEST_F(DeskCaptionProjectTest, AppliedPagesAreSavedWithTheProjectAndGoOnAirAgainWhenItOpens)
{
    LoadBoth();
    ASSERT_FALSE(Near(TickAndRead(150, 110), kMagenta)) << "the clip is not the page's colour";

    // The operator opens the editor, opens a page and puts it on air.
    const std::wstring page = WritePage(L"desk_page.rxf", RECT{0, 0, 160, 120});
    Command(1050);
    CMoreCharDlg* editor = m_desk->GetCaptionEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->OpenCaptionFile(page.c_str()));
    EditorCommand(IDC_MORE_ONOFF);
    ASSERT_TRUE(EditorOn());
    EXPECT_TRUE(Near(TickAndRead(150, 110), kMagenta)) << "the page is on air";

    const std::wstring project = s_folder + L"\\captions.rvp";
    m_seams->nextFiles.push_back(project);
    Command(32887);
    ASSERT_NE(::GetFileAttributesW(project.c_str()), INVALID_FILE_ATTRIBUTES);

    // The editor is cleared: the page leaves the air and the canvas.
    EditorCommand(IDC_MORE_ONOFF);
    EditorCommand(IDC_MORE_NEW);
    EXPECT_TRUE(editor->GetAppliedPages().empty());
    EXPECT_TRUE(editor->GetCanvas().GetPath().IsEmpty());
    EXPECT_FALSE(Near(TickAndRead(150, 110), kMagenta)) << "off the air";

    m_seams->nextFiles.push_back(project);
    Command(32785);
    Pump();
    EXPECT_TRUE(m_seams->boxes.empty());
    ASSERT_EQ(editor->GetAppliedPages(), std::vector<CString>{CString(page.c_str())});
    EXPECT_EQ(editor->GetCanvas().GetPath(), CString(page.c_str())) << "the page is back on the canvas";
    EXPECT_TRUE(EditorOn());
    EXPECT_TRUE(Near(TickAndRead(150, 110), kMagenta)) << "on air again";
    ::UpdateWindow(editor->m_hWnd);
    EXPECT_TRUE(SavePng(CaptureScreen(editor->m_hWnd), L"caption_editor_project.png"));
    ::DeleteFileW(page.c_str());
    ::DeleteFileW(project.c_str());
}

TEST_F(DeskCaptionProjectTest, APageGoneSinceTheProjectWasSavedIsNamedAndTheRestLoads)
{
    LoadBoth();
    Command(34466); // program 2, preview 1
    const std::vector<int> saved = State();
    const std::wstring kept = WritePage(L"kept_page.rxf", RECT{0, 0, 160, 120});
    const std::wstring gone = WritePage(L"gone_page.rxf", RECT{200, 0, 300, 60});
    Command(1050);
    CMoreCharDlg* editor = m_desk->GetCaptionEditor();
    ASSERT_NE(editor, nullptr);
    for (const std::wstring& page : {kept, gone}) {
        ASSERT_TRUE(editor->OpenCaptionFile(page.c_str()));
        EditorCommand(IDC_MORE_ONOFF);
    }
    ASSERT_EQ(editor->GetAppliedPages().size(), 2u);
    const std::wstring project = s_folder + L"\\gone.rvp";
    m_seams->nextFiles.push_back(project);
    Command(32887);

    // The desk changes, one page file goes, and the desk closes; a new desk opens the project.
    Command(34465);
    ASSERT_NE(State(), saved);
    ASSERT_TRUE(::DeleteFileW(gone.c_str()));
    CloseDesk();
    OpenOnOutput();
    LoadBoth();
    // The desk makes its editor hidden at start; the operator has not opened it.
    ASSERT_NE(m_desk->GetCaptionEditor(), nullptr);
    ASSERT_FALSE(m_desk->GetCaptionEditor()->IsWindowVisible()) << "the editor has not been opened";
    m_seams->nextFiles.push_back(project);
    Command(32785);
    Pump();

    ASSERT_EQ(m_seams->boxes.size(), 1u);
    EXPECT_EQ(m_seams->boxes[0].rfind(L"\u63D0\u793A|", 0), 0u) << "under the editor's caption";
    EXPECT_NE(m_seams->boxes[0].find(gone), std::wstring::npos)
        << "the message names the page: " << ::testing::PrintToString(m_seams->boxes[0]);
    EXPECT_EQ(m_seams->boxes[0].find(kept), std::wstring::npos);
    EXPECT_EQ(State(), saved) << "the rest of the project loads";
    editor = m_desk->GetCaptionEditor();
    ASSERT_NE(editor, nullptr) << "made to put the pages back on air";
    EXPECT_FALSE(editor->IsWindowVisible());
    EXPECT_EQ(editor->GetAppliedPages(), std::vector<CString>{CString(kept.c_str())});
    EXPECT_TRUE(Near(TickAndRead(150, 110), kMagenta)) << "the page that is left";
    ::DeleteFileW(kept.c_str());
    ::DeleteFileW(project.c_str());
}
