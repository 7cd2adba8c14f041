// Every output the test machines can run, started and stopped from the desk's output menu on
// the real main window with the two sample clips. The devices behind them are the stand-ins
// the graph tests use: the ASF writer and its runtime, a DV deck with the DV encoder and
// multiplexer, the Decklink renderers, the simulated overlay card; the virtual device listens
// on a free port.
// The socket header goes before the window headers the desk brings in.
#include "tests/support/net/FreePort.h"
#include <winsock2.h>

#include "app/ui/RavelmixerDlg.h"

#include "app/core/OutputType.h"
#include "app/settings/OutputSettingsIni.h"
#include "tests/app/ui/DeskFixture.h"
#include "tests/app/ui/DialogSeams.h"
#include "testing/asfwriter/AsfWriterStandIn.h"
#include "testing/dvout/DvOutStandIns.h"
#include "testing/outputs/OutputStandIns.h"
#include "testing/ovx500sim/SimCard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace desk_test;

const wchar_t kDeckInstance[] = L"RvxDeskTestDeck";
const wchar_t kDeckName[] = L"Desk Test Deck";

using testnet::FreePort;

class DeskOutputsTest : public DeskFixture {
protected:
    static void SetUpTestSuite()
    {
        PrepareFolder(L"rvx_desk_outputs_test", 400000);
        sim::InstallDefault(false); // one overlay card, powered on
        s_outputs.reset(new standin::COutputStandIns());
        ASSERT_EQ(s_outputs->Result(), S_OK);
        s_asf.reset(new standin::CAsfStandIns());
        ASSERT_EQ(s_asf->Result(), S_OK);
        s_asf->profileStreams = {{MEDIATYPE_Audio}, {MEDIATYPE_Video, 0, 0}};
        s_dv.reset(new standin::CDvOutStandIns());
        ASSERT_EQ(s_dv->Result(), S_OK);
        standin::CDeviceEntry::Remove(standin::kDeckCategory, standin::CStandInDvDeck::ClassId(0), kDeckInstance);
        standin::CStandInDvDeck::SetScript(0, standin::DeckScript());
        s_deck.reset(new standin::CDeviceEntry(standin::kDeckCategory, standin::CStandInDvDeck::ClassId(0),
                                               kDeckInstance, kDeckName));
        ASSERT_EQ(s_deck->Result(), S_OK);

        // Each output's settings as its page would have saved them.
        const CString ini = OutputIniPath();
        CEncodeSettings encode;
        encode.Profile = L"<profile version=\"589824\" name=\"desk test\"/>";
        encode.Flags = kEncodeOutputFile;
        encode.OutputFilePath = (s_folder + L"\\recordings\\show.wmv").c_str();
        encode.Overwrite = 1;
        ASSERT_TRUE(SaveEncodeOutputSettings(ini, encode));
        DvOutputSettings dv;
        dv.Device = kDeckName;
        ASSERT_TRUE(SaveDvOutputSettings(ini, dv));
        DecklinkOutputSettings decklink;
        decklink.VideoDevice = standin::COutputStandIns::DecklinkVideoName();
        decklink.AudioDevice = standin::COutputStandIns::DecklinkAudioName();
        ASSERT_TRUE(SaveDecklinkOutputSettings(ini, decklink));
        const WORD port = FreePort();
        ASSERT_GE(port, 1024);
        ASSERT_TRUE(SaveVirtualDevicePort(ini, port));
    }
    static void TearDownTestSuite()
    {
        s_deck.reset();
        s_dv.reset();
        s_asf.reset();
        s_outputs.reset();
        sim::Install(nullptr, 0, false);
        RemoveFolder();
    }
    void SetUp() override { OpenDesk(); }
    void TearDown() override { CloseDesk(); }

    void Command(UINT id) { m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool Running(int type) { return m_desk->GetDirector().IsOutputRunning(type); }
    // The on-air lock, button 1016 and the view's clock, which go together.
    std::vector<bool> OnAir()
    {
        return {m_desk->IsOnAirLocked() != FALSE, Latched(1016), m_desk->GetView().IsTimerRunning() != FALSE};
    }

    static inline std::unique_ptr<standin::COutputStandIns> s_outputs;
    static inline std::unique_ptr<standin::CAsfStandIns> s_asf;
    static inline std::unique_ptr<standin::CDvOutStandIns> s_dv;
    static inline std::unique_ptr<standin::CDeviceEntry> s_deck;
};

} // namespace

TEST_F(DeskOutputsTest, EveryOutputStartsAndStopsFromTheOutputMenu)
{
    LoadBoth();
    const std::vector<bool> on = {true, true, true}, off = {false, false, false};
    ASSERT_EQ(OnAir(), off);

    // Each output with the AVI recording beside it: the lock, the button and the clock come
    // with the first start and go only with the last stop, whichever output that is.
    struct Case {
        UINT command;
        int type;
        const char* name;
    };
    const Case cases[] = {
        {34523, kOutputWindowsMedia, "Windows Media"}, {34526, kOutputIeee1394, "IEEE-1394"},
        {34555, kOutputVirtualDevice, "virtual device"}, {34557, kOutputCard, "overlay card"},
        {34561, kOutputDecklink, "Decklink"},
    };
    const UINT avi = 34524;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Command(c.command);
        ASSERT_TRUE(Running(c.type)) << "did not start";
        EXPECT_EQ(m_desk->QueryDeskCommand(c.command).checked, 1);
        EXPECT_EQ(m_desk->QueryDeskCommand(avi).checked, 0);
        EXPECT_EQ(OnAir(), on);

        Command(avi);
        ASSERT_TRUE(Running(kOutputAvi));
        EXPECT_EQ(m_desk->QueryDeskCommand(avi).checked, 1);
        Command(c.command);
        EXPECT_FALSE(Running(c.type));
        EXPECT_EQ(m_desk->QueryDeskCommand(c.command).checked, 0);
        EXPECT_EQ(OnAir(), on) << "the AVI recording still runs";

        Command(avi);
        EXPECT_FALSE(Running(kOutputAvi));
        EXPECT_FALSE(m_desk->GetDirector().AreOutputsRunning());
        EXPECT_EQ(OnAir(), off);
        Pump();
    }
    EXPECT_TRUE(m_seams->boxes.empty()) << CStringA(m_seams->boxes.empty() ? L"" : m_seams->boxes[0].c_str()).GetString();
}
