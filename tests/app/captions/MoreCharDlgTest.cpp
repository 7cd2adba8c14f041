// The caption editor on a real window under Xvfb, with the program and preview overlay scenes
// on a real Direct3D 9 device: a page composed on the canvas, saved, put on air and read back
// from the program frame; the preview; the schedule; the project piece byte for byte; page
// identity; the timing selector; where layers are placed; the caption folder's listing.
#include "app/captions/MoreCharDlg.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/captions/CaptionFolder.h"
#include "app/captions/CaptionMessages.h"
#include "app/captions/LISScene.h"
#include "app/captions/PageLayers.h"
#include "app/captions/PreViewDlg.h"
#include "app/core/EngineClock.h"
#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"
#include "tests/app/captions/D3DTarget.h"
#include "tests/app/captions/PictureFixtures.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

DWORD FixedClock()
{
    return 5000;
}

std::wstring TempPath(const std::wstring& name)
{
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::wstring WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    ::WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    ::CloseHandle(h);
    return path;
}

// The stage: two scenes on one device, and a record of the preview switch.
class TestStage : public ICaptionStage {
public:
    TestStage(IDirect3DDevice9* device, int w, int h)
    {
        program.SetTarget(device, w, h, nullptr);
        preview.SetTarget(device, w, h, ::GetDesktopWindow());
    }
    CLISScene* GetOverlayScene() override { return &program; }
    CLISScene* GetPreviewScene() override { return &preview; }
    bool ShowCaptionPreview(HWND window) override
    {
        previewWindow = window;
        return true;
    }
    void HideCaptionPreview() override { previewWindow = nullptr; }
    SIZE GetOutputSize() override { return SIZE{360, 288}; }

    CLISScene program;
    CLISScene preview;
    HWND previewWindow = nullptr;
};

class MoreCharDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t folder[MAX_PATH];
        ::GetTempPathW(MAX_PATH, folder);
        m_program = std::wstring(folder) + L"rvx_more_char";
        ::CreateDirectoryW(m_program.c_str(), nullptr);
        ::CreateDirectoryW((m_program + L"\\config").c_str(), nullptr);
        ::CreateDirectoryW((m_program + L"\\rxf").c_str(), nullptr);
        SetExeDirectoryOverride(m_program.c_str());
        EngineClock::SetSource(&FixedClock);
    }
    void TearDown() override
    {
        m_dialog.reset();
        m_stage.reset();
        m_target.reset();
        EngineClock::SetSource(nullptr);
        SetExeDirectoryOverride(nullptr);
    }
    // The editor open, with scenes the size of its canvas.
    void Open(bool withStage = true)
    {
        m_dialog.reset(new CMoreCharDlg(nullptr, nullptr));
        ASSERT_TRUE(m_dialog->Create(nullptr));
        m_dialog->ShowWindow(SW_SHOW);
        RECT canvas;
        ::GetClientRect(m_dialog->GetCanvas().m_hWnd, &canvas);
        m_target.reset(new fixtures::D3DTarget(canvas.right, canvas.bottom));
        ASSERT_NE(nullptr, m_target->device);
        if (withStage) {
            m_stage.reset(new TestStage(m_target->device, canvas.right, canvas.bottom));
            m_dialog.reset(); // again, on the stage
            m_dialog.reset(new CMoreCharDlg(m_stage.get(), nullptr));
            ASSERT_TRUE(m_dialog->Create(nullptr));
            m_dialog->ShowWindow(SW_SHOW);
        }
    }
    void Command(UINT id, UINT code = BN_CLICKED)
    {
        m_dialog->SendMessage(WM_COMMAND, MAKEWPARAM(id, code),
                              reinterpret_cast<LPARAM>(::GetDlgItem(m_dialog->m_hWnd, id)));
    }
    void Choose(UINT id, int index)
    {
        ::SendDlgItemMessageW(m_dialog->m_hWnd, id, CB_SETCURSEL, index, 0);
        Command(id, CBN_SELCHANGE);
    }
    bool On() { return ::IsDlgButtonChecked(m_dialog->m_hWnd, IDC_MORE_ONOFF) == BST_CHECKED; }
    // A page of two static text objects, saved to a file.
    std::wstring SavedPage(const std::wstring& name)
    {
        CCharObjList page;
        for (int i = 0; i < 2; ++i) {
            CCharObject* object = new CCharObject;
            CharTextStyle style;
            style.SetDefault();
            object->SetText(style, L"page");
            object->SetRect(RECT{10 + 50 * i, 10, 50 + 50 * i, 40});
            object->SetMotion(0);
            page.Add(object);
        }
        const std::wstring path = TempPath(name);
        EXPECT_TRUE(page.SaveToFile(path.c_str()));
        return path;
    }
    HRESULT DrawProgram()
    {
        return m_target->Frame(D3DCOLOR_XRGB(0, 0, 0),
                               [this](IDirect3DDevice9* d) { return m_stage->program.Render(d, 0); });
    }

    // The preview scene as the device draws it for the preview window.
    HRESULT DrawPreview()
    {
        return m_target->Frame(D3DCOLOR_XRGB(0, 0, 0),
                               [this](IDirect3DDevice9* d) { return m_stage->preview.Render(d, 0); });
    }

    std::wstring m_program;
    std::unique_ptr<fixtures::D3DTarget> m_target;
    std::unique_ptr<TestStage> m_stage;
    std::unique_ptr<CMoreCharDlg> m_dialog;
    CDialogSeams m_seams;
};

} // namespace

TEST(PageLayersTest, LayersArePlacedAtTheObjectsCornerOnTheCanvas)
{
    struct Case {
        BYTE motion;
        RECT rect;
        int canvasW, canvasH;
        float x, y;
    };
    const Case cases[] = {
        {0, {10, 20, 110, 60}, 320, 240, 10.f / 320, 20.f / 240},
        {5, {10, 0, 110, 20}, 320, 240, 110.f / 320, 0},
        {7, {10, 20, 110, 60}, 320, 240, 10.f / 320, 60.f / 240},
        {1, {31, 23, 60, 60}, 0, 240, 31.f / 317, 23.f / 237}, // a page without size: the default
        {1, {31, 23, 60, 60}, 320, 0, 31.f / 317, 23.f / 237},
    };
    for (const Case& c : cases) {
        CCharObject object;
        object.SetMotion(c.motion);
        object.SetRect(c.rect);
        float x = -1, y = -1;
        captions::LayerPlace(object, c.canvasW, c.canvasH, &x, &y);
        EXPECT_FLOAT_EQ(c.x, x) << int(c.motion);
        EXPECT_FLOAT_EQ(c.y, y) << int(c.motion);
    }
}

TEST(CaptionFolderTest, FoldersFirstThenPagesByNameAndTheWayUp)
{
    const std::wstring root = TempPath(L"rvx_caption_folder");
    ::CreateDirectoryW(root.c_str(), nullptr);
    ::CreateDirectoryW((root + L"\\sub").c_str(), nullptr);
    for (const wchar_t* name : {L"b.txt", L"z.rxf", L"A.RXF", L"hidden.rxf"})
        WriteBytes(root + L"\\" + name, {1});
    ::SetFileAttributesW((root + L"\\hidden.rxf").c_str(), FILE_ATTRIBUTE_HIDDEN);
    std::vector<std::wstring> names;
    for (const captions::FolderEntry& e : captions::ListCaptionFolder(root.c_str()))
        names.push_back(std::wstring(e.folder ? L"[" : L"") + std::wstring(e.name));
    EXPECT_EQ((std::vector<std::wstring>{L"[..", L"[sub", L"A.RXF", L"z.rxf"}), names);

    struct Up {
        const wchar_t* folder;
        const wchar_t* parent; // null: nothing
    };
    const Up ups[] = {{L"C:\\x\\y", L"C:\\x"}, {L"C:\\x", L"C:\\"}, {L"C:\\", nullptr}, {L"rxf", nullptr}};
    for (const Up& u : ups) {
        CString parent;
        EXPECT_EQ(u.parent != nullptr, captions::ParentFolder(u.folder, &parent)) << std::string(CStringA(u.folder));
        if (u.parent) {
            EXPECT_EQ(CString(u.parent), parent);
        }
    }
}

TEST_F(MoreCharDlgTest, APageComposedSavedAndPutOnAirShowsInTheProgramFrameAndGoesWhenSwitchedOff)
{
    Open();
    const ColourChooserProc previous = SetColourChooser([](HWND, COLORREF* c) {
        *c = RGB(255, 255, 0);
        return TRUE;
    });
    Choose(IDC_MORE_MOTION, 0);                 // static objects
    Command(IDC_FONT_BACKGROUND);               // the background check, clicked by code
    ::CheckDlgButton(m_dialog->m_hWnd, IDC_FONT_BACKGROUND, BST_CHECKED);
    Command(IDC_FONT_BACKGROUND);
    Command(IDC_FONT_BACKGROUND_COLOUR);        // yellow
    SetColourChooser(previous);

    CNotePadWnd& canvas = m_dialog->GetCanvas();
    const std::wstring bmp = WriteBytes(TempPath(L"rvx_more_pic.bmp"), fixtures::Bmp2x2());
    const std::wstring gif = WriteBytes(TempPath(L"rvx_more_anim.gif"), fixtures::Gif3Frames());
    ASSERT_TRUE(canvas.InsertImage(bmp.c_str(), 1));
    ASSERT_TRUE(canvas.InsertImage(gif.c_str(), 2));
    canvas.NewTextBox();
    ::SetWindowTextW(canvas.GetEdit(), L"ON AIR");
    ASSERT_TRUE(canvas.IsModified(true));
    ASSERT_EQ(3, canvas.GetPage().GetCount());
    CCharObject* object = nullptr;
    const RECT places[3] = {{120, 100, 180, 160}, {200, 20, 260, 80}, {10, 10, 90, 40}};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(canvas.GetPage().GetAt(i, &object));
        object->SetRect(places[i]);
    }
    ::InvalidateRect(canvas.m_hWnd, nullptr, TRUE);

    const std::wstring page = m_program + L"\\rxf\\on_air.rxf";
    m_seams.answers.push_back(IDYES); // save it
    m_seams.nextFiles.push_back(page);
    Command(IDC_MORE_ONOFF); // unsaved: saved first, then on air
    ASSERT_TRUE(On());
    EXPECT_EQ(CString(page.c_str()), canvas.GetPath());
    ASSERT_EQ(1u, m_dialog->GetAppliedPages().size());
    EXPECT_EQ(3u, m_stage->program.GetLayerCount());
    EXPECT_EQ(2, ::SendDlgItemMessageW(m_dialog->m_hWnd, IDC_MORE_FOLDER_LIST, LVM_GETITEMCOUNT, 0, 0))
        << "saved into the caption folder: the list shows \"..\" and the page";

    ::UpdateWindow(m_dialog->m_hWnd);
    EXPECT_TRUE(SavePng(CaptureScreen(m_dialog->m_hWnd), L"caption_editor.png"));

    ASSERT_EQ(S_OK, DrawProgram());
    EXPECT_EQ(0xFF0000u, m_target->At(125, 105)) << "the picture's red corner";
    EXPECT_EQ(0xFF0000u, m_target->At(205, 25)) << "the animation's first frame, red corner";
    EXPECT_EQ(0x0000FFu, m_target->At(205, 75)) << "its blue corner";
    EXPECT_EQ(0xFFFF00u, m_target->At(12, 12)) << "the text's shown background";
    EXPECT_EQ(0x000000u, m_target->At(300, 200)) << "nothing elsewhere";

    // The preview shows the page and leaves the program alone.
    Command(IDC_MORE_VIEW);
    ASSERT_NE(nullptr, m_dialog->GetPreview());
    EXPECT_TRUE(m_dialog->GetPreview()->IsWindowVisible());
    EXPECT_EQ(m_dialog->GetPreview()->GetViewWindow(), m_stage->previewWindow);
    EXPECT_EQ(3u, m_stage->preview.GetLayerCount());
    EXPECT_EQ(3u, m_stage->program.GetLayerCount());
    ASSERT_EQ(S_OK, DrawPreview());
    const struct {
        int x, y;
        DWORD colour;
        const char* what;
    } previewed[] = {
        {125, 105, 0xFF0000u, "the picture's red corner"},
        {205, 25, 0xFF0000u, "the animation's first frame, red corner"},
        {205, 75, 0x0000FFu, "its blue corner"},
        {12, 12, 0xFFFF00u, "the text's shown background"},
        {300, 200, 0x000000u, "nothing elsewhere"},
    };
    for (const auto& p : previewed)
        EXPECT_EQ(p.colour, m_target->At(p.x, p.y)) << "preview: " << p.what;
    m_dialog->GetPreview()->SendMessage(WM_CLOSE);
    EXPECT_EQ(nullptr, m_stage->previewWindow) << "closing the preview switches it off";
    EXPECT_FALSE(m_dialog->GetPreview()->IsWindowVisible());

    Command(IDC_MORE_ONOFF);
    EXPECT_FALSE(On());
    EXPECT_TRUE(m_dialog->GetAppliedPages().empty());
    EXPECT_EQ(0u, m_stage->program.GetLayerCount());
    DrawProgram(); // an empty scene draws nothing
    EXPECT_EQ(0x000000u, m_target->At(125, 105));
    ::DeleteFileW(bmp.c_str());
    ::DeleteFileW(gif.c_str());
    ::DeleteFileW(page.c_str());
}

TEST_F(MoreCharDlgTest, APageMustBeSavedBeforeItGoesOnAir)
{
    Open();
    m_dialog->GetCanvas().NewTextBox();
    ::SetWindowTextW(m_dialog->GetCanvas().GetEdit(), L"unsaved");
    m_seams.answers.push_back(IDNO); // not saved, and no file chosen either
    Command(IDC_MORE_ONOFF);
    EXPECT_FALSE(On());
    EXPECT_TRUE(m_dialog->GetAppliedPages().empty());
    EXPECT_EQ(0u, m_stage->program.GetLayerCount());
    ASSERT_EQ(1u, m_seams.files.size()) << "asked for a file to save into";
    EXPECT_FALSE(m_seams.files[0].open);
}

TEST_F(MoreCharDlgTest, APageIsTheSamePageWhateverTheCaseOfItsPath)
{
    Open();
    const std::wstring path = SavedPage(L"rvx_Same_Page.rxf");
    ASSERT_TRUE(m_dialog->OpenCaptionFile(path.c_str()));
    Command(IDC_MORE_ONOFF);
    ASSERT_TRUE(On());
    EXPECT_EQ(2u, m_stage->program.GetLayerCount());
    CString upper(path.c_str());
    upper.MakeUpper();
    ASSERT_TRUE(m_dialog->OpenCaptionFile(upper));
    EXPECT_TRUE(On());
    Command(IDC_MORE_ONOFF);
    EXPECT_FALSE(On());
    EXPECT_TRUE(m_dialog->GetAppliedPages().empty());
    EXPECT_EQ(0u, m_stage->program.GetLayerCount()) << "its layers are off the air";
    ::DeleteFileW(path.c_str());
}

TEST_F(MoreCharDlgTest, ScheduledPagesShowUnderTheirIndexAndHideByIndexOrAll)
{
    Open();
    const std::wstring page = SavedPage(L"rvx_scheduled.rxf");
    const std::wstring bad = WriteBytes(TempPath(L"rvx_scheduled_bad.rxf"), {9, 9, 9});
    EXPECT_EQ(1, m_dialog->ShowScheduledCaption(TRUE, 1, page.c_str(), nullptr));
    EXPECT_EQ(1, m_dialog->ShowScheduledCaption(TRUE, 3, page.c_str(), nullptr));
    EXPECT_EQ(1, m_dialog->ShowScheduledCaption(TRUE, 3, page.c_str(), nullptr));
    EXPECT_EQ(0, m_dialog->ShowScheduledCaption(TRUE, 4, TempPath(L"rvx_no_such_page.rxf").c_str(), nullptr));
    EXPECT_EQ(0, m_dialog->ShowScheduledCaption(TRUE, 4, m_program.c_str(), nullptr)) << "a folder";
    EXPECT_EQ(0, m_dialog->ShowScheduledCaption(TRUE, 4, bad.c_str(), nullptr));
    EXPECT_EQ(6u, m_stage->program.GetLayerCount());
    EXPECT_EQ(4u, m_dialog->GetScheduledLayerCount(3));

    m_dialog->ShowScheduledCaption(FALSE, 3, nullptr, nullptr);
    EXPECT_EQ(0u, m_dialog->GetScheduledLayerCount(3));
    EXPECT_EQ(2u, m_dialog->GetScheduledLayerCount(1));
    EXPECT_EQ(2u, m_stage->program.GetLayerCount());
    m_dialog->ShowScheduledCaption(FALSE, 0xFFFF, nullptr, nullptr);
    EXPECT_EQ(0u, m_dialog->GetScheduledLayerCount());
    EXPECT_EQ(0u, m_stage->program.GetLayerCount());

    CMoreCharDlg alone(nullptr, nullptr);
    EXPECT_EQ(0, alone.ShowScheduledCaption(TRUE, 1, page.c_str(), nullptr)) << "no engine";
    ::DeleteFileW(page.c_str());
    ::DeleteFileW(bad.c_str());
}

TEST_F(MoreCharDlgTest, TheProjectPieceIsTheCountAndOneLinePerPage)
{
    Open();
    const std::wstring first = SavedPage(L"rvx_project_1.rxf");
    const std::wstring second = SavedPage(L"rvx_project_飞幕.rxf");
    for (const std::wstring& p : {first, second}) {
        ASSERT_TRUE(m_dialog->OpenCaptionFile(p.c_str()));
        Command(IDC_MORE_ONOFF);
    }
    CMemFile stored;
    {
        CArchive ar(&stored, CArchive::store);
        m_dialog->Serialize(ar);
    }
    fixtures::Bytes expected;
    fixtures::Put32(expected, 2);
    for (const std::wstring& p : {first, second}) {
        for (wchar_t c : p)
            fixtures::Put16(expected, c);
        fixtures::Put16(expected, L'\n');
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(stored.GetLength()));
    stored.SeekToBegin();
    stored.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    EXPECT_EQ(expected, bytes);

    // Read back into a fresh editor: a missing page is skipped, and what follows is untouched.
    const std::wstring missing = TempPath(L"rvx_project_gone.rxf");
    fixtures::Bytes project;
    fixtures::Put32(project, 3);
    for (const std::wstring& p : {first, missing, second}) {
        for (wchar_t c : p)
            fixtures::Put16(project, c);
        fixtures::Put16(project, L'\n');
    }
    fixtures::Put32(project, 0x12345678); // the next piece of the project file
    m_dialog->DestroyWindow();
    m_dialog.reset(new CMoreCharDlg(m_stage.get(), nullptr));
    ASSERT_TRUE(m_dialog->Create(nullptr));
    EXPECT_EQ(0u, m_stage->program.GetLayerCount()) << "the old editor took its layers with it";
    CMemFile file(project.data(), static_cast<UINT>(project.size()));
    CArchive ar(&file, CArchive::load);
    m_dialog->Serialize(ar);
    int next = 0;
    ar >> next;
    EXPECT_EQ(0x12345678, next);
    ASSERT_EQ(2u, m_dialog->GetAppliedPages().size());
    EXPECT_EQ(CString(first.c_str()), m_dialog->GetAppliedPages()[0]);
    EXPECT_EQ(CString(second.c_str()), m_dialog->GetAppliedPages()[1]);
    EXPECT_EQ(4u, m_stage->program.GetLayerCount());
    ::DeleteFileW(first.c_str());
    ::DeleteFileW(second.c_str());
}

TEST_F(MoreCharDlgTest, AProjectsPagesReplaceThoseOnAirAndThoseThatCannotBeReadAreNamed)
{
    Open();
    const std::wstring first = SavedPage(L"rvx_reopen_1.rxf");
    const std::wstring second = SavedPage(L"rvx_reopen_2.rxf");
    const std::wstring old = SavedPage(L"rvx_reopen_old.rxf");
    const std::wstring gone = TempPath(L"rvx_reopen_gone.rxf");
    const std::wstring bad = WriteBytes(TempPath(L"rvx_reopen_bad.rxf"), {1, 2, 3});
    ASSERT_TRUE(m_dialog->OpenCaptionFile(old.c_str()));
    Command(IDC_MORE_ONOFF);
    ASSERT_EQ(2u, m_stage->program.GetLayerCount());

    CString again(first.c_str());
    again.MakeUpper();
    std::vector<CString> missing;
    m_dialog->OpenAppliedPages({CString(first.c_str()), CString(gone.c_str()), CString(bad.c_str()),
                                CString(second.c_str()), again, CString()},
                               &missing);
    EXPECT_EQ((std::vector<CString>{CString(first.c_str()), CString(second.c_str())}), m_dialog->GetAppliedPages());
    EXPECT_EQ((std::vector<CString>{CString(gone.c_str()), CString(bad.c_str())}), missing)
        << "a page once more is no fault; an empty line names nothing";
    EXPECT_EQ(4u, m_stage->program.GetLayerCount()) << "the old page left the air, each page is on once";
    EXPECT_EQ(CString(second.c_str()), m_dialog->GetCanvas().GetPath()) << "the last page opens on the canvas";
    EXPECT_TRUE(On());

    // A canvas with unsaved changes is kept; it shows whether its own page is still on air.
    m_dialog->GetCanvas().NewTextBox();
    ::SetWindowTextW(m_dialog->GetCanvas().GetEdit(), L"typing");
    m_dialog->OpenAppliedPages({CString(first.c_str())}, nullptr);
    EXPECT_EQ(CString(second.c_str()), m_dialog->GetCanvas().GetPath());
    EXPECT_TRUE(m_dialog->GetCanvas().IsModified(false));
    EXPECT_FALSE(On());
    EXPECT_EQ(2u, m_stage->program.GetLayerCount());
    EXPECT_TRUE(m_seams.boxes.empty()) << "no question was asked";
    for (const std::wstring& p : {first, second, old, bad})
        ::DeleteFileW(p.c_str());
}

TEST_F(MoreCharDlgTest, TheTimingSelectorStoresTheTypedValueAndANegativeOneAsTheLargest)
{
    Open(false);
    Choose(IDC_MORE_TIMING, CMoreCharDlg::kRepeatCount);
    ::SetDlgItemTextW(m_dialog->m_hWnd, IDC_MORE_TIMING_VALUE, L"-5");
    Choose(IDC_MORE_TIMING, CMoreCharDlg::kSpeed);
    EXPECT_EQ(INT_MAX, m_dialog->GetTiming(CMoreCharDlg::kRepeatCount));
    ::SetDlgItemTextW(m_dialog->m_hWnd, IDC_MORE_TIMING_VALUE, L"250");
    Choose(IDC_MORE_TIMING, CMoreCharDlg::kRepeatCount);
    EXPECT_EQ(250, m_dialog->GetTiming(CMoreCharDlg::kSpeed));
    EXPECT_EQ(2147483647, static_cast<int>(::GetDlgItemInt(m_dialog->m_hWnd, IDC_MORE_TIMING_VALUE, nullptr, TRUE)));

    CCharObject object;
    m_dialog->SendMessage(WM_NOTEPAD_NEWOBJECT, reinterpret_cast<WPARAM>(&object));
    EXPECT_EQ(250, object.GetSpeed());
    EXPECT_EQ(INT_MAX, object.GetRepeatCount());
    EXPECT_EQ(60, object.GetStay());
    EXPECT_EQ(0, object.GetStartDelay());
    EXPECT_EQ(1, object.GetMotion());
}

TEST_F(MoreCharDlgTest, ThePreviewWindowHasTheOutputSizeAndIsHiddenNotDestroyedWhenClosed)
{
    Open();
    Command(IDC_MORE_VIEW);
    CPreViewDlg* preview = m_dialog->GetPreview();
    ASSERT_NE(nullptr, preview);
    const HWND view = preview->GetViewWindow();
    RECT client;
    ::GetClientRect(view, &client);
    EXPECT_EQ(360, client.right);
    EXPECT_EQ(288, client.bottom);
    ::GetClientRect(preview->m_hWnd, &client);
    EXPECT_EQ(360, client.right) << "the dialog fits its view";
    EXPECT_EQ(288, client.bottom);

    Command(IDC_MORE_VIEW); // VIEW again hides it
    EXPECT_FALSE(preview->IsWindowVisible());
    EXPECT_EQ(nullptr, m_stage->previewWindow);
    Command(IDC_MORE_VIEW);
    EXPECT_TRUE(preview->IsWindowVisible());
    EXPECT_EQ(view, m_stage->previewWindow) << "the same window again";
    preview->SendMessage(WM_CLOSE);
    EXPECT_TRUE(::IsWindow(view));
    EXPECT_FALSE(preview->IsWindowVisible());
    EXPECT_EQ(nullptr, m_stage->previewWindow);
}

TEST_F(MoreCharDlgTest, NewKeepsAChangedPageWhenTheQuestionIsCancelledAndButtonsHaveTheirTips)
{
    Open(false);
    CNotePadWnd& canvas = m_dialog->GetCanvas();
    canvas.NewTextBox();
    ::SetWindowTextW(canvas.GetEdit(), L"keep me");
    m_seams.answers.push_back(IDCANCEL);
    Command(IDC_MORE_NEW);
    EXPECT_EQ(1, canvas.GetPage().GetCount()) << "cancelled: the page stays";
    ASSERT_EQ(1u, m_seams.boxes.size());
    EXPECT_EQ(L"提示|文件 未命名.rxf 已经修改，是否要保存？", m_seams.boxes[0]);
    m_seams.answers.push_back(IDNO);
    Command(IDC_MORE_NEW);
    EXPECT_EQ(0, canvas.GetPage().GetCount()) << "not saved: a new page";

    struct Tip {
        UINT id;
        const wchar_t* text;
    };
    const Tip tips[] = {{IDC_MORE_BROWSE, L"浏览"},        {IDC_MORE_ONOFF, L"显示/隐藏"},
                        {IDC_MORE_APPLY, L"应用"},         {IDC_MORE_NEW, L"新建飞幕文件"},
                        {IDC_MORE_FILE, L"打开飞幕文件"},  {IDC_MORE_SAVE, L"保存飞幕文件"},
                        {IDC_MORE_IMAGE, L"导入图片"},     {IDC_MORE_VIEW, L"预览飞幕"}};
    for (const Tip& t : tips)
        EXPECT_EQ(CString(t.text), m_dialog->GetToolTip(t.id)) << t.id;
}

TEST_F(MoreCharDlgTest, TheFolderListEntersFoldersGoesUpAndOpensPages)
{
    const std::wstring rxf = m_program + L"\\rxf";
    ::CreateDirectoryW((rxf + L"\\sub").c_str(), nullptr);
    const std::wstring inner = SavedPage(L"rvx_inner.rxf");
    ASSERT_TRUE(::CopyFileW(inner.c_str(), (rxf + L"\\sub\\inner.rxf").c_str(), FALSE));
    Open(false);
    auto names = [this]() {
        std::vector<std::wstring> out;
        HWND list = ::GetDlgItem(m_dialog->m_hWnd, IDC_MORE_FOLDER_LIST);
        const int n = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t text[MAX_PATH] = {};
            LVITEMW it = {};
            it.iSubItem = 0;
            it.pszText = text;
            it.cchTextMax = MAX_PATH;
            ::SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&it));
            out.push_back(text);
        }
        return out;
    };
    auto open = [this](int item) {
        NMITEMACTIVATE n = {};
        n.hdr.hwndFrom = ::GetDlgItem(m_dialog->m_hWnd, IDC_MORE_FOLDER_LIST);
        n.hdr.idFrom = IDC_MORE_FOLDER_LIST;
        n.hdr.code = NM_DBLCLK;
        n.iItem = item;
        m_dialog->SendMessage(WM_NOTIFY, IDC_MORE_FOLDER_LIST, reinterpret_cast<LPARAM>(&n));
    };
    const CString ini = CString(m_program.c_str()) + L"\\config\\char.ini";
    ASSERT_EQ((std::vector<std::wstring>{L"..", L"sub"}), names());
    open(1);
    EXPECT_EQ(CString((rxf + L"\\sub").c_str()), m_dialog->GetCaptionFolder());
    EXPECT_EQ(CString((rxf + L"\\sub").c_str()), util::CIni(ini).GetString(L"char", L"path"));
    ASSERT_EQ((std::vector<std::wstring>{L"..", L"inner.rxf"}), names());
    open(1);
    EXPECT_EQ(CString((rxf + L"\\sub\\inner.rxf").c_str()), m_dialog->GetCanvas().GetPath());
    EXPECT_EQ(2, m_dialog->GetCanvas().GetPage().GetCount());
    open(0);
    EXPECT_EQ(CString(rxf.c_str()), m_dialog->GetCaptionFolder());
    EXPECT_EQ((std::vector<std::wstring>{L"..", L"sub"}), names());
    ::DeleteFileW((rxf + L"\\sub\\inner.rxf").c_str());
    ::DeleteFileW(inner.c_str());
    ::RemoveDirectoryW((rxf + L"\\sub").c_str());
}

TEST_F(MoreCharDlgTest, WhatGoesOnAirIsTheSavedPageAndApplySavesAndShowsTheChanges)
{
    Open();
    const std::wstring path = SavedPage(L"rvx_apply_page.rxf");
    ASSERT_TRUE(m_dialog->OpenCaptionFile(path.c_str()));
    CNotePadWnd& canvas = m_dialog->GetCanvas();
    canvas.NewTextBox();
    ::SetWindowTextW(canvas.GetEdit(), L"third");
    ASSERT_TRUE(canvas.IsModified(true));
    m_seams.answers.push_back(IDNO); // not saved now
    Command(IDC_MORE_ONOFF);
    ASSERT_TRUE(On());
    EXPECT_EQ(2u, m_stage->program.GetLayerCount()) << "the page as its file holds it";
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(m_dialog->m_hWnd, IDC_MORE_APPLY)));

    Command(IDC_MORE_APPLY); // a named page is saved without a question
    EXPECT_EQ(1u, m_seams.boxes.size());
    EXPECT_FALSE(canvas.IsModified(false));
    EXPECT_EQ(3u, m_stage->program.GetLayerCount());
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(m_dialog->m_hWnd, IDC_MORE_APPLY)));
    CCharObjList reread;
    ASSERT_TRUE(reread.LoadFromFile(path.c_str()));
    EXPECT_EQ(3, reread.GetCount());
    ::DeleteFileW(path.c_str());
}
