// The desk under the output format the operator stored on the output format page: a hand-written
// output.ini decides the size, rate and sound format the engine is built with, the program's
// frames and sound reach an output in that format, a project opens again under it, and a
// change made on the page from the desk's menu waits for the next start.
#include "app/ui/RavelmixerDlg.h"

#include "app/core/OutputType.h"
#include "app/engine/Channel.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/graphs/input/ElemGraph.h"
#include "app/settings/OutputSettingsIni.h"
#include "tests/app/ui/DeskFixture.h"
#include "tests/app/ui/DeskReadBack.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/ModalDriver.h"
#include "tests/app/ui/ScreenshotPng.h"

#include <streams.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace desk_test;

struct Format {
    int width, height;
    LONGLONG frameTime; // 100-ns units
    DWORD sampleRate;
};

class DeskFormatTest : public DeskFixture {
protected:
    static void SetUpTestSuite() { PrepareFolder(L"rvx_desk_format_test"); }
    static void TearDownTestSuite() { RemoveFolder(); }
    void SetUp() override
    {
        // The operator's format: 640 x 480, 30 frames/s, progressive, square pixels, 44.1 kHz.
        WriteOutputKey(L"VideoSize", L"640x480");
        WriteOutputKey(L"FrameRate", L"30");
        WriteOutputKey(L"PixelAR", L"1");
        WriteOutputKey(L"FieldType", L"2");
        WriteOutputKey(L"AudioFormat", L"1");
        OpenDesk(&m_graphs);
    }
    void TearDown() override { CloseDesk(); }

    static void WriteOutputKey(const wchar_t* key, const wchar_t* value)
    {
        ASSERT_TRUE(::WritePrivateProfileStringW(L"Output", key, value, OutputIniPath()));
    }
    static std::wstring OutputKey(const wchar_t* key)
    {
        wchar_t text[64] = {};
        ::GetPrivateProfileStringW(L"Output", key, L"", text, 64, OutputIniPath());
        return text;
    }
    void Command(UINT id) { m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    // The format the running engine was built with, read from its two mixers.
    Format EngineFormat()
    {
        const CVideoMixer* video = m_desk->GetDirector().GetVideoMixer();
        const AM_MEDIA_TYPE* audio = m_desk->GetDirector().GetAudioMediaType();
        const WAVEFORMATEX* wave = reinterpret_cast<const WAVEFORMATEX*>(audio->pbFormat);
        return {video->GetOutputWidth(), video->GetOutputHeight(),
                static_cast<LONGLONG>(10000000.0 / video->GetFrameRate()), wave ? wave->nSamplesPerSec : 0};
    }

    // The AVI output is read back.
    ReadBackGraphs m_graphs{kOutputAvi};
};

bool operator==(const Format& a, const Format& b)
{
    return a.width == b.width && a.height == b.height && a.frameTime == b.frameTime && a.sampleRate == b.sampleRate;
}
std::ostream& operator<<(std::ostream& out, const Format& f)
{
    return out << f.width << "x" << f.height << " " << f.frameTime << " " << f.sampleRate;
}

const int kOnAir = CDVPlayWnd::kOnAir, kPreview = CDVPlayWnd::kPreview, kIdle = CDVPlayWnd::kIdle;

} // namespace

TEST_F(DeskFormatTest, TheEngineRunsAtTheStoredFormatAndAnOutputGetsItsFramesAndSoundInIt)
{
    EXPECT_EQ(EngineFormat(), (Format{640, 480, 333333, 44100}));
    EXPECT_EQ(m_desk->GetOutputWidth(), 640);

    LoadBoth();
    ASSERT_EQ(m_desk->StartOutput(kOutputAvi), S_OK);
    {
        const CMediaType video = m_graphs.frames.VideoType();
        ASSERT_EQ(*video.FormatType(), FORMAT_VideoInfo);
        const VIDEOINFOHEADER* vih = reinterpret_cast<const VIDEOINFOHEADER*>(video.Format());
        EXPECT_EQ(vih->bmiHeader.biWidth, 640);
        EXPECT_EQ(std::abs(vih->bmiHeader.biHeight), 480);
        EXPECT_EQ(vih->AvgTimePerFrame, 333333);
        const CMediaType audio = m_graphs.frames.AudioType();
        ASSERT_EQ(*audio.FormatType(), FORMAT_WaveFormatEx);
        const WAVEFORMATEX* wave = reinterpret_cast<const WAVEFORMATEX*>(audio.Format());
        const WAVEFORMATEX expected = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
        EXPECT_EQ(0, memcmp(wave, &expected, sizeof(expected)));
    }

    // The next program frame the mixer makes reaches the output at the stored size.
    m_desk->GetDirector().GetVideoMixer()->OnClockTick();
    ASSERT_TRUE(m_graphs.frames.WaitForFrames(1)) << "no program frame";
    EXPECT_EQ(m_graphs.frames.FrameBytes().front(), 640 * 480 * 4);
    EXPECT_EQ(m_desk->GetDirector().StopOutput(kOutputAvi), S_OK);

    // The sample clips' sound is 44.1 kHz like the program's, so it goes into the audio mixer
    // (under the 48 kHz built-in format it was left out).
    for (int panel = 0; panel < 2; ++panel) {
        CElemGraph* graph = dynamic_cast<CElemGraph*>(m_desk->GetPanel(panel).GetChannel()->GetGraph());
        ASSERT_TRUE(graph);
        EXPECT_EQ(graph->GetAudioResult(), S_OK) << "panel " << panel + 1;
    }
}

TEST_F(DeskFormatTest, AProjectOpensAgainWhileTheClipsSoundFeedsTheMixer)
{
    LoadBoth();
    Command(34466);
    ASSERT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
    const std::wstring path = s_folder + L"\\format.rvp";
    m_seams->nextFiles.push_back(path);
    Command(32887);
    ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);

    Command(34465);
    ASSERT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    m_seams->nextFiles.push_back(path);
    Command(32785);
    Pump();
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
    EXPECT_EQ(CChannel::LeftGraphs(), 0) << "a channel graph did not stop";
    EXPECT_TRUE(m_seams->boxes.empty());
    EXPECT_EQ(EngineFormat(), (Format{640, 480, 333333, 44100}));
}

TEST_F(DeskFormatTest, AFormatChosenFromTheMenuIsStoredAndTakesEffectAtTheNextStart)
{
    // The NTSC 4:3 preset and 48 kHz, chosen on the page the menu opens, confirmed with OK. The
    // driver goes with the sheet, before the desk is opened again.
    {
        CModalDriver dialogs;
        dialogs.driver = [](HWND sheet, const std::wstring&) {
            HWND page = SheetPage(sheet);
            ASSERT_TRUE(page);
            const struct {
                UINT list;
                int index;
            } choices[] = {{1062, 4}, {1066, 2}};
            for (const auto& choice : choices) {
                HWND list = ::GetDlgItem(page, choice.list);
                ASSERT_EQ(::SendMessageW(list, CB_SETCURSEL, choice.index, 0), choice.index);
                ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(choice.list, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            }
            SavePng(CaptureScreen(::GetDesktopWindow()), L"desk_output_format.png");
            ::SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        };
        Command(32856);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0], L"\x8f93\x51fa\x8bbe\x7f6e");
    }

    // Stored, but the running engine keeps the format it was built with.
    EXPECT_EQ(OutputKey(L"VideoSize"), L"720x480");
    EXPECT_EQ(OutputKey(L"AudioFormat"), L"2");
    EXPECT_EQ(EngineFormat(), (Format{640, 480, 333333, 44100}));

    // The next start runs at it.
    CloseDesk();
    OpenDesk(&m_graphs);
    EXPECT_EQ(EngineFormat(), (Format{720, 480, static_cast<LONGLONG>(10000000.0 / 29.97f), 48000}));
    EXPECT_EQ(m_desk->GetOutputWidth(), 720);
}
