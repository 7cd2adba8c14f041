// The source selection dialog on a real window under Xvfb, against the stand-in capture
// devices registered in the test prefix and a stand-in DV camcorder: the device lists with
// their shared name count, binding on OK, the DV camcorder in both lists, files chosen through
// the replaceable file dialog, the refusals; and the source kinds as tables.
#include "app/settings/SelectSourceDlg.h"

#include <afxdlgs.h>

#include "app/foundation/DShowHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/DrivenDialog.h"
#include "tests/app/ui/ScreenshotPng.h"
#include "tests/support/devices/StandInSources.h"

namespace {

typedef CDrivenDialog<CSelectSourceDlg> DrivenSelectSource;

std::vector<std::wstring> Entries(HWND dialog, UINT id)
{
    std::vector<std::wstring> entries;
    HWND list = ::GetDlgItem(dialog, id);
    const int count = static_cast<int>(::SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        ::SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

// Our stand-ins and the fixed entry, in list order; the prefix's own devices are left out.
std::vector<std::wstring> OurEntries(HWND dialog, UINT id)
{
    std::vector<std::wstring> ours;
    for (const std::wstring& entry : Entries(dialog, id)) {
        if (entry.find(L"Rvx Test") == 0 || entry.find(L"Microsoft DV") == 0 || entry == L"File Source...")
            ours.push_back(entry);
    }
    return ours;
}

std::wstring Text(HWND dialog, UINT id)
{
    wchar_t text[512] = {};
    ::GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

// Selects the entry as a click in the list does.
void Choose(DrivenSelectSource& d, UINT id, const wchar_t* entry)
{
    HWND list = ::GetDlgItem(d.m_hWnd, id);
    const LRESULT index = ::SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(entry));
    ASSERT_NE(index, CB_ERR) << std::string(entry, entry + wcslen(entry));
    ::SendMessageW(list, CB_SETCURSEL, index, 0);
    d.Command(id, CBN_SELCHANGE);
}

CString Tag(IBaseFilter* filter)
{
    if (!filter)
        return L"";
    LPWSTR tag = nullptr;
    CString text;
    if (SUCCEEDED(filter->QueryVendorInfo(&tag)))
        text = tag;
    CoTaskMemFree(tag);
    return text;
}

class SelectSourceDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CStandInSources::SetUp(); }
    static void TearDownTestSuite() { CStandInSources::TearDown(); }
    void SetUp() override
    {
        ASSERT_TRUE(CStandInSources::Ready());
    }

    CDialogSeams m_seams;
};

TEST_F(SelectSourceDlgTest, ListsEveryDeviceUnderOneNameCountAndBindsTheChosenPairOnOk)
{
    DrivenSelectSource dlg;
    std::vector<std::wstring> video, audio;
    bool settingsAtStart = true, videoSettings = false, audioSettings = false;
    std::wstring caption;
    dlg.driver = [&](DrivenSelectSource& d) {
        video = OurEntries(d.m_hWnd, IDC_SELECT_SOURCE_VIDEO);
        audio = OurEntries(d.m_hWnd, IDC_SELECT_SOURCE_AUDIO);
        wchar_t title[64] = {};
        ::GetWindowTextW(d.m_hWnd, title, 64);
        caption = title;
        settingsAtStart = d.Enabled(IDC_SELECT_SOURCE_VIDEO_SETTINGS) || d.Enabled(IDC_SELECT_SOURCE_AUDIO_SETTINGS);
        SavePng(CaptureScreen(d.m_hWnd), L"select_source_dialog.png");
        Choose(d, IDC_SELECT_SOURCE_VIDEO, L"Rvx Test Capture #2");
        Choose(d, IDC_SELECT_SOURCE_AUDIO, L"Rvx Test Capture #3");
        videoSettings = d.Enabled(IDC_SELECT_SOURCE_VIDEO_SETTINGS);
        audioSettings = d.Enabled(IDC_SELECT_SOURCE_AUDIO_SETTINGS);
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());

    EXPECT_EQ(L"选择源", caption);
    // One count serves both lists: the audio device named like two video devices is the third.
    const std::vector<std::wstring> expectedVideo = {
        L"Microsoft DV Camera and VCR", L"Rvx Test Camera", L"Rvx Test Capture", L"Rvx Test Capture #2",
        L"Rvx Test Cam(USB)", L"Rvx Test Refuser", L"Rvx Test Refuser #2", L"File Source..."};
    const std::vector<std::wstring> expectedAudio = {L"Microsoft DV Camera and VCR", L"Rvx Test Capture #3",
                                                     L"Rvx Test Line In", L"File Source..."};
    EXPECT_EQ(expectedVideo, video);
    EXPECT_EQ(expectedAudio, audio);
    EXPECT_FALSE(settingsAtStart);
    EXPECT_TRUE(videoSettings);
    EXPECT_TRUE(audioSettings);
    EXPECT_TRUE(m_seams.boxes.empty());

    const SourceDescriptor& v = dlg.GetVideoSource();
    const SourceDescriptor& a = dlg.GetAudioSource();
    EXPECT_STREQ(L"Rvx Test Capture #2", v.name);
    EXPECT_STREQ(L"Rvx Test Capture #2", v.path);
    EXPECT_EQ(3u, v.flags);
    EXPECT_STREQ(L"RvxTest3", Tag(v.filter));
    EXPECT_STREQ(L"Rvx Test Capture #3", a.name);
    // Stored as its audio category knows it, so a reopened project binds the same device.
    EXPECT_STREQ(L"Rvx Test Capture", a.path);
    EXPECT_EQ(3u, a.flags);
    EXPECT_STREQ(L"RvxTest7", Tag(a.filter));
    SourceDescriptor reloadedAudio, reloadedVideo;
    reloadedAudio.name = a.name;
    reloadedAudio.path = a.path;
    reloadedAudio.flags = a.flags;
    reloadedVideo.name = v.name;
    reloadedVideo.path = v.path;
    reloadedVideo.flags = v.flags;
    BindSourceFilters(reloadedAudio, reloadedVideo);
    EXPECT_STREQ(L"RvxTest7", Tag(reloadedAudio.filter));
    EXPECT_STREQ(L"RvxTest3", Tag(reloadedVideo.filter));
}

TEST_F(SelectSourceDlgTest, ADvCamcorderInBothListsGivesTwoEqualDescriptorsSharingOneFilter)
{
    DrivenSelectSource dlg;
    dlg.driver = [&](DrivenSelectSource& d) {
        Choose(d, IDC_SELECT_SOURCE_VIDEO, L"Microsoft DV Camera and VCR");
        Choose(d, IDC_SELECT_SOURCE_AUDIO, L"Microsoft DV Camera and VCR");
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());
    const SourceDescriptor& v = dlg.GetVideoSource();
    const SourceDescriptor& a = dlg.GetAudioSource();
    EXPECT_STREQ(L"Microsoft DV Camera and VCR", v.name);
    EXPECT_STREQ(v.name, a.name);
    EXPECT_STREQ(v.path, a.path);
    EXPECT_EQ(3u, v.flags);
    EXPECT_EQ(v.flags, a.flags);
    ASSERT_TRUE(v.filter);
    EXPECT_EQ(v.filter.Get(), a.filter.Get());
}

TEST_F(SelectSourceDlgTest, APictureLeavesTheAudioListAloneAndAMovieGoesIntoBoth)
{
    DrivenSelectSource dlg;
    std::vector<std::wstring> audioBefore, audioAfterPicture, videoAfterMovie, audioAfterMovie;
    std::wstring videoText, audioText;
    bool settingsAfterFile = true;
    HWND window = nullptr;
    dlg.driver = [&](DrivenSelectSource& d) {
        window = d.m_hWnd;
        Choose(d, IDC_SELECT_SOURCE_AUDIO, L"Rvx Test Line In");
        audioBefore = Entries(d.m_hWnd, IDC_SELECT_SOURCE_AUDIO);
        m_seams.nextFiles = {L"C:\\media\\still.JPG"};
        Choose(d, IDC_SELECT_SOURCE_VIDEO, L"File Source...");
        audioAfterPicture = Entries(d.m_hWnd, IDC_SELECT_SOURCE_AUDIO);
        const std::wstring pictureAudio = Text(d.m_hWnd, IDC_SELECT_SOURCE_AUDIO);
        EXPECT_EQ(L"Rvx Test Line In", pictureAudio);
        EXPECT_EQ(L"C:\\media\\still.JPG", Text(d.m_hWnd, IDC_SELECT_SOURCE_VIDEO));

        m_seams.nextFiles = {L"C:\\media\\clip.avi"};
        Choose(d, IDC_SELECT_SOURCE_VIDEO, L"File Source...");
        videoAfterMovie = Entries(d.m_hWnd, IDC_SELECT_SOURCE_VIDEO);
        audioAfterMovie = Entries(d.m_hWnd, IDC_SELECT_SOURCE_AUDIO);
        videoText = Text(d.m_hWnd, IDC_SELECT_SOURCE_VIDEO);
        audioText = Text(d.m_hWnd, IDC_SELECT_SOURCE_AUDIO);
        settingsAfterFile = d.Enabled(IDC_SELECT_SOURCE_VIDEO_SETTINGS) || d.Enabled(IDC_SELECT_SOURCE_AUDIO_SETTINGS);
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());

    EXPECT_EQ(audioBefore, audioAfterPicture);
    ASSERT_GE(videoAfterMovie.size(), 3u);
    // Files go just before the fixed last entry.
    EXPECT_EQ(L"C:\\media\\still.JPG", videoAfterMovie[videoAfterMovie.size() - 3]);
    EXPECT_EQ(L"C:\\media\\clip.avi", videoAfterMovie[videoAfterMovie.size() - 2]);
    EXPECT_EQ(L"File Source...", videoAfterMovie.back());
    EXPECT_EQ(audioBefore.size() + 1, audioAfterMovie.size());
    EXPECT_EQ(L"C:\\media\\clip.avi", audioAfterMovie[audioAfterMovie.size() - 2]);
    EXPECT_EQ(L"C:\\media\\clip.avi", videoText);
    EXPECT_EQ(L"C:\\media\\clip.avi", audioText);
    EXPECT_FALSE(settingsAfterFile);

    // A file that is not there yet is taken as it stands: the channel's graph reports it.
    EXPECT_STREQ(L"C:\\media\\clip.avi", dlg.GetVideoSource().name);
    EXPECT_TRUE(dlg.GetVideoSource().path.IsEmpty());
    EXPECT_EQ(1u, dlg.GetVideoSource().flags);
    EXPECT_FALSE(dlg.GetVideoSource().filter);
    EXPECT_STREQ(L"C:\\media\\clip.avi", dlg.GetAudioSource().name);
    EXPECT_EQ(1u, dlg.GetAudioSource().flags);

    ASSERT_EQ(2u, m_seams.files.size());
    const CDialogSeams::FileRequest& request = m_seams.files[0];
    EXPECT_TRUE(request.open);
    EXPECT_TRUE(request.flags & OFN_OVERWRITEPROMPT);
    EXPECT_EQ(window, request.owner);
    const std::wstring indent = L"\t\t\t\t\t\t\t   ";
    EXPECT_EQ(L"All Support Files|*.avi;*.mpg;*.mpeg;*.dat;*.wmv;*.asf;*.vob;*.rm;*.rmvb;*.flv;*.bmp;*.jpg;*.jpe;"
              L"*.jpeg;*.gif;*.tga;*.dib;*.jfif|" + indent + L"AVI Files|*.avi|" + indent +
                  L"MPEG Files|*.mpg;*.mpeg|" + indent + L"CD Files|*.dat|" + indent + L"WMV Files|*.wmv;*.asf|" +
                  indent + L"VOB Files|*.vob|" + indent + L"RM Files|*.rm;*.rmvb|" + indent + L"FLV Files|*.flv|" +
                  indent + L"Image Files|*.bmp;*.jpg;*.jpe;*.jpeg;*.gif;*.tga;*.dib;*.jfif||",
              request.filter);
}

TEST_F(SelectSourceDlgTest, AnAudioFileComesFromItsOwnListAndACancelledDialogChangesNothing)
{
    DrivenSelectSource dlg;
    std::vector<std::wstring> videoBefore, videoAfter;
    dlg.driver = [&](DrivenSelectSource& d) {
        videoBefore = Entries(d.m_hWnd, IDC_SELECT_SOURCE_VIDEO);
        m_seams.nextFiles = {L"C:\\media\\tone.wav"};
        Choose(d, IDC_SELECT_SOURCE_AUDIO, L"File Source...");
        videoAfter = Entries(d.m_hWnd, IDC_SELECT_SOURCE_VIDEO);
        m_seams.nextFiles.clear();
        const std::vector<std::wstring> audioBefore = Entries(d.m_hWnd, IDC_SELECT_SOURCE_AUDIO);
        Choose(d, IDC_SELECT_SOURCE_VIDEO, L"File Source...");
        EXPECT_EQ(videoBefore, Entries(d.m_hWnd, IDC_SELECT_SOURCE_VIDEO));
        EXPECT_EQ(audioBefore, Entries(d.m_hWnd, IDC_SELECT_SOURCE_AUDIO));
        Choose(d, IDC_SELECT_SOURCE_VIDEO, L"Rvx Test Camera");
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(videoBefore, videoAfter);
    ASSERT_EQ(2u, m_seams.files.size());
    const std::wstring indent = L"\t\t\t\t\t\t\t   ";
    EXPECT_EQ(L"All Audio Files|*.avi;*.mpg;*.mpeg;*.dat;*.wmv;*.asf;*.vob;*.rm;*.rmvb;*.mp3;*.wav;*.wma|" + indent +
                  L"AVI Files|*.avi|" + indent + L"MPEG Files|*.mpg;*.mpeg|" + indent + L"CD Files|*.dat|" + indent +
                  L"WMV Files|*.wmv;*.asf|" + indent + L"VOB Files|*.vob|" + indent + L"RM Files|*.rm;*.rmvb|" +
                  indent + L"Audio Files|*.mp3;*.wav;*.wma||",
              m_seams.files[0].filter);
    EXPECT_STREQ(L"C:\\media\\tone.wav", dlg.GetAudioSource().name);
    EXPECT_STREQ(L"Rvx Test Camera", dlg.GetVideoSource().name);
    // A device with a DevicePath is stored by it.
    EXPECT_STREQ(L"\\\\?\\rvxtest#camera#0001", dlg.GetVideoSource().path);
    EXPECT_STREQ(L"RvxTest1", Tag(dlg.GetVideoSource().filter));
}

TEST_F(SelectSourceDlgTest, DeviceNamesThatDoNotBindAreRefusedAndTheDialogStaysOpen)
{
    struct Case {
        const wchar_t* video;
        const wchar_t* audio;
        const wchar_t* message;  // empty: accepted
    };
    const Case cases[] = {
        {L"Unplugged Camera", L"", L"错误|无效的视频源.\n"},
        {L"Unplugged Camera", L"Unplugged Mic", L"错误|无效的视频源.\n"},
        {L"", L"Unplugged Mic", L"错误|无效的音频源.\n"},
        {L"C:\\missing\\clip.avi", L"Unplugged Mic", L"错误|无效的音频源.\n"},
        {L"http://server/live", L"", L""},
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        m_seams.boxes.clear();
        m_seams.boxTypes.clear();
        DrivenSelectSource dlg;
        bool openAfterOk = false;
        dlg.driver = [&](DrivenSelectSource& d) {
            ::SetDlgItemTextW(d.m_hWnd, IDC_SELECT_SOURCE_VIDEO, c.video);
            ::SetDlgItemTextW(d.m_hWnd, IDC_SELECT_SOURCE_AUDIO, c.audio);
            d.Command(IDOK);
            openAfterOk = d.IsOpen();
        };
        const INT_PTR result = dlg.DoModal();
        const std::string label(c.video, c.video + wcslen(c.video));
        if (*c.message) {
            EXPECT_TRUE(openAfterOk) << label;
            EXPECT_EQ(IDCANCEL, result) << label;
            ASSERT_EQ(1u, m_seams.boxes.size()) << label;
            EXPECT_EQ(c.message, m_seams.boxes[0]) << label;
            EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), m_seams.boxTypes[0]);
        } else {
            EXPECT_EQ(IDOK, result) << label;
            EXPECT_TRUE(m_seams.boxes.empty()) << label;
            EXPECT_STREQ(c.video, dlg.GetVideoSource().name);
            EXPECT_EQ(*c.video ? 1u : 0u, dlg.GetVideoSource().flags);
        }
    }
}

TEST_F(SelectSourceDlgTest, ADeviceIsBoundOnceHoweverOftenItsSourceIsRead)
{
    CComPtr<IMoniker> first, second;
    ASSERT_EQ(S_OK, FindDeviceMoniker(CLSID_VideoInputDeviceCategory, L"Rvx Test Capture", &first));
    ASSERT_EQ(S_OK, FindDeviceMoniker(CLSID_VideoInputDeviceCategory, L"Rvx Test Capture #2", &second));
    SourceDevice device;
    device.moniker = first;
    device.listName = L"Rvx Test Capture";
    device.path = L"Rvx Test Capture";
    CSourceDeviceBinding binding;
    SourceDescriptor once, again;
    EXPECT_EQ(2, ReadSourceDescriptor(L"Rvx Test Capture", &device, binding, once));
    EXPECT_EQ(2, ReadSourceDescriptor(L"Rvx Test Capture", &device, binding, again));
    ASSERT_TRUE(once.filter);
    EXPECT_EQ(once.filter.Get(), again.filter.Get());
    // Another device, another filter; the text must name the selected entry to bind it.
    device.moniker = second;
    device.listName = L"Rvx Test Capture #2";
    SourceDescriptor other, mismatch;
    ReadSourceDescriptor(L"Rvx Test Capture #2", &device, binding, other);
    EXPECT_STREQ(L"RvxTest3", Tag(other.filter));
    EXPECT_NE(once.filter.Get(), other.filter.Get());
    EXPECT_EQ(2, ReadSourceDescriptor(L"Rvx Test Capture #9", &device, binding, mismatch));
    EXPECT_FALSE(mismatch.filter);
    EXPECT_EQ(1u, mismatch.flags);
    // An empty text is no source at all.
    EXPECT_EQ(3, ReadSourceDescriptor(L"", &device, binding, mismatch));
    EXPECT_EQ(0u, mismatch.flags);
    EXPECT_TRUE(mismatch.name.IsEmpty());
}

TEST(SourceListsTest, ClassifiesUrlsDevicesMissingFilesFoldersAndFiles)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring file = std::wstring(folder) + L"rvx_source_kind.avi";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    std::wstring folderNoSlash(folder);
    folderNoSlash.pop_back();

    struct Case {
        std::wstring text;
        int kind;
    };
    const Case cases[] = {
        {L"http://server/live.asf", 1},
        {L"mms://server/live", 1},
        {L"\\\\server\\share\\clip.avi", 1},
        {L"Rvx Test Camera", 2},
        {L"clip.avi", 2},
        {L"C:\\no such folder\\clip.avi", 3},
        {folderNoSlash, 3},
        {L"", 3},
        {file, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.kind, ClassifySourcePath(c.text.c_str())) << std::string(c.text.begin(), c.text.end());
    DeleteFileW(file.c_str());
}

TEST(SourceListsTest, KnowsPicturesByTheirLastExtensionInAnyCase)
{
    const struct {
        const wchar_t* name;
        bool image;
    } cases[] = {
        {L"a.bmp", true},  {L"a.JPG", true},      {L"a.jpe", true},   {L"a.jpeg", true},
        {L"a.gif", true},  {L"a.tga", true},      {L"a.dib", true},   {L"C:\\x\\a.JFIF", true},
        {L"a.png", false}, {L"a.jpg.avi", false}, {L"noext", false},  {L"C:\\dir.jpg\\file", false},
        {L"", false},      {L"a.", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.image, IsImageFile(c.name)) << std::string(c.name, c.name + wcslen(c.name));
    EXPECT_FALSE(IsImageFile(nullptr));
}

} // namespace
