// The programme and caption schedulers run second by second on a clock the test sets, against
// a recording stand-in of the main window: the messages they send, in order, with their
// parameters, compared with tables written out by hand from the playout's rules.
#include "app/captions/PlayoutScheduler.h"

#include "tests/app/captions/RecordingMainWindow.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const __time64_t T0 = 1700000000; // a Tuesday morning in November 2023

__time64_t g_now = 0;

PlayItem Programme(DWORD type, const char* name, __time64_t start, LONG position, LONG duration, LONG count)
{
    PlayItem item;
    item.type = type;
    item.name = name;
    item.video.name = CString(name) + L".avi";
    item.video.flags = SourceDescriptor::kNamed;
    item.scheduledStart = start ? static_cast<DWORD>(T0 + start) : 0;
    item.startPosition = position;
    item.duration = duration;
    item.playCount = count;
    return item;
}

CaptionItem Caption(const char* name, const char* path, __time64_t time, LONG duration)
{
    CaptionItem caption;
    caption.name = name;
    caption.pagePath = path;
    caption.displayTime = static_cast<DWORD>(T0 + time);
    caption.displayDuration = duration;
    return caption;
}

class PlayoutSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window.origin = T0;
        m_window.clock = [] { return g_now; };
        m_target.mainWindow = m_window.Handle();
        ASSERT_NE(nullptr, m_target.mainWindow);
        m_target.log = [this](const CString& text) { m_log.push_back(Narrow(text)); };
    }

    // Starts both schedulers at T0 + from (programmes first, as the dialog does), then runs a
    // pass of each for every second listed in seconds up to and including `to`.
    void Run(CProgrammeScheduler& programmes, CCaptionScheduler* captions, __time64_t from, __time64_t to,
             const std::set<__time64_t>& skipped = {})
    {
        g_now = T0 + from;
        programmes.Start(g_now);
        if (captions)
            captions->Start(g_now);
        for (__time64_t s = from + 1; s <= to; ++s) {
            if (skipped.count(s))
                continue;
            g_now = T0 + s;
            programmes.Pass(g_now);
            if (captions)
                captions->Pass(g_now);
        }
    }

    CRecordingMainWindow m_window;
    PlayoutTarget m_target;
    std::vector<std::string> m_log;
};

TEST_F(PlayoutSchedulerTest, ADaysScheduleOfSequentialTimedAndInsertItemsWithCaptions)
{
    CPlayQue queue;
    queue.Add(Programme(kPlaySequential, "A", 0, 0, 30, 2));
    queue.Add(Programme(kPlaySequential, "B", 0, 5, 20, 1));
    queue.Add(Programme(kPlaySequential, "E", 0, 0, 0, 1)); // no end
    queue.Add(Programme(kPlayTimed, "T", 200, 10, 40, 2));
    queue.Add(Programme(kPlayInsert, "I", 150, 0, 15, 1));
    std::vector<CaptionItem> captions = {
        Caption("C1", "c1.rxf", 20, 5),
        Caption("C2", "c2.rxf", 22, 10),
        Caption("C3", "c3.rxf", 40, 5),
        Caption("C4", "c4.rxf", 400, 100),
    };
    m_window.refusals = {{2, 40}};

    CProgrammeScheduler programmes(queue, m_target);
    CCaptionScheduler shows(captions, m_target);
    ChannelSlot interruptedEndless;
    __time64_t endAfterResume = -1;
    g_now = T0;
    programmes.Start(g_now);
    shows.Start(g_now);
    for (__time64_t s = 1; s <= 450; ++s) {
        g_now = T0 + s;
        programmes.Pass(g_now);
        shows.Pass(g_now);
        if (s == 160)
            interruptedEndless = programmes.GetSlot(0);
        if (s == 170)
            endAfterResume = programmes.GetCurrentEnd();
    }
    // Stopping: the caption scheduler hides what it shows, then the playout stops.
    shows.Stop();
    programmes.Stop();

    const std::vector<std::string> expected = {
        "+0 LOAD A slot=0 start=+0 pos=0 dur=30", // the first sequential item, at once
        "+0 PLAY slot=0 from=0",
        "+20 SHOW 0 c1.rxf",
        "+22 SHOW 1 c2.rxf", // its time, though another is shown
        "+26 HIDE 0 c1.rxf",
        "+31 PLAY slot=0 from=0", // A's second play
        "+33 HIDE 1 c2.rxf",
        "+40 SHOW 2 c3.rxf refused",
        "+41 SHOW 2 c3.rxf", // retried while its time runs and nothing is shown
        "+46 HIDE 2 c3.rxf",
        "+51 LOAD B slot=1 start=+62 pos=5 dur=20", // 10 s before A ends, B waits paused
        "+62 PLAY slot=1 from=5",
        "+72 LOAD E slot=0 start=+83 pos=0 dur=0",
        "+83 PLAY slot=0 from=0", // E has no end
        "+140 LOAD I slot=1 start=+150 pos=0 dur=15", // the look-ahead finds the insert 10 s ahead
        "+150 PLAY slot=1 from=0", // it interrupts E at its second
        "+155 LOAD A slot=2 start=+166 pos=0 dur=30", // after the last sequential item, the first
        "+166 PLAY slot=0 from=67", // E resumes where it was cut, still without an end
        "+181 LOAD T slot=1 start=+200 pos=10 dur=40",
        "+200 PLAY slot=1 from=10", // a timed programme takes over: E is dropped
        "+241 PLAY slot=1 from=10", // and plays its second time
        "+282 PLAY slot=2 from=0", // A, waiting since 155
        "+313 PLAY slot=2 from=0",
        "+333 LOAD B slot=0 start=+344 pos=5 dur=20",
        "+344 PLAY slot=0 from=5",
        "+354 LOAD E slot=1 start=+365 pos=0 dur=0",
        "+365 PLAY slot=1 from=0",
        "+400 SHOW 3 c4.rxf",
        "+450 HIDE ALL",
        "+450 STOP",
    };
    EXPECT_EQ(expected, m_window.sent);

    // The endless programme was marked playing when it went on air, so the insert interrupted
    // it (rather than freeing it), and it kept no end through the interruption.
    EXPECT_EQ(kSlotInterrupted, interruptedEndless.state);
    EXPECT_EQ(2, interruptedEndless.item);
    EXPECT_EQ(67, interruptedEndless.position);
    EXPECT_EQ(0, interruptedEndless.duration);
    EXPECT_EQ(0, endAfterResume);
    for (int slot = 0; slot < kChannelSlotCount; ++slot)
        EXPECT_EQ(kSlotFree, programmes.GetSlot(slot).state);

    // The log names what happened, in order.
    ASSERT_GE(m_log.size(), 9u);
    EXPECT_EQ(Narrow(L"加载节目 A"), m_log[0]);
    EXPECT_EQ(Narrow(L"播放节目 A"), m_log[1]);
    EXPECT_EQ(Narrow(L"显示飞幕 C1"), m_log[2]);
    EXPECT_EQ(Narrow(L"显示飞幕 C2"), m_log[3]);
    EXPECT_EQ(Narrow(L"取消飞幕 C1"), m_log[4]);
    EXPECT_EQ(Narrow(L"读取飞幕 C3 失败"), m_log[7]);
}

TEST_F(PlayoutSchedulerTest, StartedLateIntoATimedItemItJoinsItsPlays)
{
    // 90 s after its start, 60 s a play, three plays: 30 s into the second play, with one
    // further play to follow.
    CPlayQue queue;
    PlayItem item = Programme(kPlayTimed, "X", 0, 0, 60, 3);
    item.scheduledStart = static_cast<DWORD>(T0);
    queue.Add(item);
    CProgrammeScheduler programmes(queue, m_target);
    Run(programmes, nullptr, 90, 300);
    const std::vector<std::string> expected = {
        "+90 LOAD X slot=0 start=+90 pos=30 dur=30",
        "+90 PLAY slot=0 from=30",
        "+121 PLAY slot=0 from=0", // the further play runs whole
    };
    EXPECT_EQ(expected, m_window.sent);
    EXPECT_EQ(T0 + 181, programmes.GetCurrentEnd());
}

TEST_F(PlayoutSchedulerTest, ASequentialItemPlaysItsCountThenTheNextAndTheListWraps)
{
    CPlayQue queue;
    queue.Add(Programme(kPlaySequential, "A", 0, 0, 5, 3));
    queue.Add(Programme(kPlaySequential, "B", 0, 0, 5, 1));
    CProgrammeScheduler programmes(queue, m_target);
    Run(programmes, nullptr, 0, 25);
    const std::vector<std::string> expected = {
        "+0 LOAD A slot=0 start=+0 pos=0 dur=5",
        "+0 PLAY slot=0 from=0",
        "+6 PLAY slot=0 from=0",
        "+12 PLAY slot=0 from=0",
        "+13 LOAD B slot=1 start=+18 pos=0 dur=5",
        "+18 PLAY slot=1 from=0",
        "+19 LOAD A slot=0 start=+24 pos=0 dur=5",
        "+24 PLAY slot=0 from=0",
    };
    EXPECT_EQ(expected, m_window.sent);
}

TEST_F(PlayoutSchedulerTest, TheLookAheadLoadsTheEarliestTimedItemOfItsWindowFirst)
{
    // The later item stands first in the list; taking it first would move the look-ahead past
    // the earlier one for good.
    CPlayQue queue;
    queue.Add(Programme(kPlaySequential, "S", 0, 0, 0, 1));
    queue.Add(Programme(kPlayTimed, "Late", 15, 0, 3, 1));
    queue.Add(Programme(kPlayTimed, "Early", 5, 0, 3, 1));
    CProgrammeScheduler programmes(queue, m_target);
    Run(programmes, nullptr, 0, 30);
    const std::vector<std::string> expected = {
        "+0 LOAD S slot=0 start=+0 pos=0 dur=0",
        "+0 PLAY slot=0 from=0",
        "+1 LOAD Early slot=1 start=+5 pos=0 dur=3",
        "+5 PLAY slot=1 from=0",
        "+6 LOAD Late slot=0 start=+15 pos=0 dur=3", // S's slot, freed by the timed item
        "+15 PLAY slot=0 from=0",
        "+16 LOAD S slot=1 start=+19 pos=0 dur=0", // the sequence goes on after it
        "+19 PLAY slot=1 from=0",
    };
    EXPECT_EQ(expected, m_window.sent);
}

TEST_F(PlayoutSchedulerTest, ATimedItemTwentyFiveSecondsAheadLoadsPausedAndStartsAtItsSecond)
{
    CPlayQue queue;
    queue.Add(Programme(kPlaySequential, "S", 0, 0, 0, 1));
    queue.Add(Programme(kPlayInsert, "X", 25, 7, 10, 1));
    CProgrammeScheduler programmes(queue, m_target);
    Run(programmes, nullptr, 0, 40);
    const std::vector<std::string> expected = {
        "+0 LOAD S slot=0 start=+0 pos=0 dur=0",
        "+0 PLAY slot=0 from=0",
        "+10 LOAD X slot=1 start=+25 pos=7 dur=10", // 15 s ahead
        "+25 PLAY slot=1 from=7",
        "+36 PLAY slot=0 from=25", // the endless programme resumes
    };
    EXPECT_EQ(expected, m_window.sent);
    EXPECT_EQ(0, programmes.GetCurrentEnd());
}

TEST_F(PlayoutSchedulerTest, SecondsLostToABusyThreadDoNotMakeAnItemOrACaptionMissItsTime)
{
    CPlayQue queue;
    queue.Add(Programme(kPlaySequential, "S", 0, 0, 0, 1));
    queue.Add(Programme(kPlayInsert, "I", 30, 0, 10, 1));
    queue.Add(Programme(kPlayInsert, "J", 31, 0, 10, 1));
    std::vector<CaptionItem> captions = {Caption("Long", "long.rxf", 25, 20), Caption("Due", "due.rxf", 30, 10)};
    CProgrammeScheduler programmes(queue, m_target);
    CCaptionScheduler shows(captions, m_target);
    // The passes of seconds 29 to 33 never run: the thread was building a graph.
    Run(programmes, &shows, 0, 60, {29, 30, 31, 32, 33});
    const std::vector<std::string> expected = {
        "+0 LOAD S slot=0 start=+0 pos=0 dur=0",
        "+0 PLAY slot=0 from=0",
        "+20 LOAD I slot=1 start=+30 pos=0 dur=10",
        "+25 SHOW 0 long.rxf",
        "+34 LOAD J slot=2 start=+31 pos=0 dur=10", // found late
        "+34 PLAY slot=1 from=0", // I, four seconds late rather than never
        "+34 SHOW 1 due.rxf", // its time came while another was shown
        "+35 PLAY slot=2 from=0", // J interrupts I
        "+41 HIDE 1 due.rxf",
        "+46 PLAY slot=1 from=1", // I resumes for its nine seconds left
        "+46 HIDE 0 long.rxf",
        "+56 PLAY slot=0 from=34", // and the endless programme after it
    };
    EXPECT_EQ(expected, m_window.sent);
}

TEST_F(PlayoutSchedulerTest, AllSlotsBusyTheOldestIsTakenButNeverTheOneOnAir)
{
    auto slots = [](std::initializer_list<std::pair<ChannelSlotState, __time64_t>> states) {
        std::vector<ChannelSlot> made;
        for (const auto& s : states) {
            ChannelSlot slot;
            slot.item = static_cast<int>(made.size());
            slot.state = s.first;
            slot.start = s.second;
            made.push_back(slot);
        }
        return made;
    };
    struct Case {
        std::vector<ChannelSlot> slots;
        int current;
        int expected;
    };
    const __time64_t now = 1000;
    const Case cases[] = {
        // A free slot first.
        {slots({{kSlotPlaying, 10}, {kSlotLoaded, 20}, {kSlotFree, 0}, {kSlotLoaded, 5}, {kSlotFree, 0}}), 0, 2},
        // The one started longest ago, lowest on ties.
        {slots({{kSlotPlaying, 900}, {kSlotLoaded, 300}, {kSlotInterrupted, 200}, {kSlotLoaded, 200},
                {kSlotLoaded, 500}}),
         0, 2},
        // The programme on air started first, yet it is not cut off.
        {slots({{kSlotPlaying, 100}, {kSlotLoaded, 300}, {kSlotInterrupted, 200}, {kSlotLoaded, 1100},
                {kSlotLoaded, 500}}),
         0, 2},
        // Loaded for later: not started before now, so not taken while another is.
        {slots({{kSlotLoaded, 1200}, {kSlotLoaded, 1300}, {kSlotPlaying, 10}, {kSlotLoaded, 1400},
                {kSlotInterrupted, 999}}),
         2, 4},
        // Nothing else started before now: the lowest slot that is not on air.
        {slots({{kSlotPlaying, 10}, {kSlotLoaded, 1300}, {kSlotLoaded, 1200}, {kSlotLoaded, 1400},
                {kSlotLoaded, 1500}}),
         0, 1},
        {slots({{kSlotLoaded, 1300}, {kSlotPlaying, 10}, {kSlotLoaded, 1200}, {kSlotLoaded, 1400},
                {kSlotLoaded, 1500}}),
         1, 0},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        ChannelSlot table[kChannelSlotCount];
        for (int s = 0; s < kChannelSlotCount; ++s)
            table[s] = cases[i].slots[static_cast<size_t>(s)];
        EXPECT_EQ(cases[i].expected, ChooseChannelSlot(table, cases[i].current, now)) << "case " << i;
    }
}

TEST_F(PlayoutSchedulerTest, AWholeDayWindowFitsIn64Bits)
{
    // 86,399 s a play and 65,535 plays: the window is past 32 bits, and the item is on air
    // near its end.
    CPlayQue queue;
    queue.Add(Programme(kPlaySequential, "S", 0, 0, 10, 1));
    queue.Add(Programme(kPlayTimed, "Day", 1, 0, 86399, 65535));
    const __time64_t nearEnd = T0 + 1 + 86399LL * 65535 - 1;
    EXPECT_EQ(1, queue.GetCurrentItem(nearEnd));
    EXPECT_EQ(0, queue.GetCurrentItem(nearEnd + 1));
    EXPECT_EQ(0, queue.GetCurrentItem(T0));
}

TEST_F(PlayoutSchedulerTest, PositionsTravelInSixteenBits)
{
    EXPECT_EQ(static_cast<WPARAM>(0x00000001u), MakePlayParam(0));
    EXPECT_EQ(static_cast<WPARAM>(0x00050001u), MakePlayParam(5));
    EXPECT_EQ(static_cast<WPARAM>(0xFFFF0001u), MakePlayParam(65535));
    // Further than the message can carry: held at its limit rather than wrapped round.
    EXPECT_EQ(static_cast<WPARAM>(0xFFFF0001u), MakePlayParam(72000));
}

} // namespace

TEST_F(PlayoutSchedulerTest, ASequentialProgrammeThatCannotLoadIsTriedOnceAheadAndOnceAtItsTurnThenTheNextPlays)
{
    CPlayQue queue;
    queue.Add(Programme(kPlaySequential, "A", 0, 0, 20, 1));
    queue.Add(Programme(kPlaySequential, "M", 0, 0, 10, 1)); // its file is gone
    queue.Add(Programme(kPlaySequential, "B", 0, 0, 10, 1));
    m_window.unloadable = {"M"};
    CProgrammeScheduler programmes(queue, m_target);
    Run(programmes, nullptr, 0, 45);

    const std::vector<std::string> expected = {
        "+0 LOAD A slot=0 start=+0 pos=0 dur=20",
        "+0 PLAY slot=0 from=0",
        "+10 LOAD M slot=1 start=+21 pos=0 dur=10 refused", // not again every second up to A's end
        "+21 LOAD M slot=1 start=+21 pos=0 dur=10 refused", // its turn: A's slot is kept, nothing cuts it
        "+22 LOAD B slot=1 start=+21 pos=0 dur=10",
        "+22 PLAY slot=1 from=0",
        "+23 LOAD A slot=0 start=+33 pos=0 dur=20",
        "+33 PLAY slot=0 from=0",
        "+43 LOAD M slot=1 start=+54 pos=0 dur=10 refused", // a new round tries it again, once
    };
    EXPECT_EQ(expected, m_window.sent);
    for (const std::string& row : m_log)
        EXPECT_EQ(std::string::npos, row.find(" M")) << row;
}
