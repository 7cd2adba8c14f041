#include "app/ui/ProjectApply.h"
#include "app/ui/ProjectCommands.h"
#include "app/ui/ProjectFile.h"

#include "app/engine/AudioMixer.h"
#include "app/foundation/AppHelpers.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/UiTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

// Builds a stored project byte by byte: little-endian integers, the archive's wide strings
// (0xFF, 0xFFFE, then a 1-, 3- or 7-byte length and UTF-16 units). Mark() notes a field
// boundary.
class Bytes {
public:
    Bytes& u8(BYTE v) { b.push_back(v); return *this; }
    Bytes& i32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b.push_back(BYTE(v >> (8 * i)));
        return *this;
    }
    Bytes& i64(uint64_t v)
    {
        for (int i = 0; i < 8; ++i)
            b.push_back(BYTE(v >> (8 * i)));
        return *this;
    }
    Bytes& f32(float f)
    {
        uint32_t v;
        memcpy(&v, &f, 4);
        return i32(v);
    }
    Bytes& str(const std::wstring& s)
    {
        u8(0xFF).u8(0xFE).u8(0xFF);
        if (s.size() < 0xFF) {
            u8(BYTE(s.size()));
        } else {
            u8(0xFF).u8(BYTE(s.size())).u8(BYTE(s.size() >> 8));
        }
        for (wchar_t c : s)
            u8(BYTE(c)).u8(BYTE(c >> 8));
        return *this;
    }
    Bytes& Mark(const char* name = nullptr)
    {
        marks.push_back(b.size());
        if (name)
            named[name] = b.size();
        return *this;
    }

    std::vector<BYTE> b;
    std::vector<size_t> marks;
    std::map<std::string, size_t> named;
};

const ProjectLayout kEngine = {5, 5};

// The fixture project: program 1, preview 2; panel 1 playing a capture pair, panel 2 with a
// channel whose graph failed, panels 3 to 5 empty; logo 1 on at bottom right, logo 2 off;
// three quick effects; caption switch and automatic publishing on at 2.5 s; a subtitle
// style of bytes 0..135; an editor without applied pages; then the audio mixer (AGC on,
// inputs alternately selected, gains 0.5 steps) and five channels' colour and key records.
Bytes Fixture(size_t* engineStart = nullptr)
{
    Bytes f;
    f.Mark().i32(1).Mark().i32(2);
    // Panel 1
    f.Mark("panel1.flag").u8(1).Mark("panel1.tally").i32(0).Mark().u8(1);
    f.Mark().str(L"Mic").Mark().str(L"@device:pnp:audio").Mark().i32(3);
    f.Mark().str(L"Cam").Mark().str(L"@device:pnp:video").Mark().i32(3);
    f.Mark("panel1.state").i32(2).Mark().i64(123456789);
    f.Mark().i32(0).Mark().i32(1).Mark().i32(2).Mark().i32(0).Mark().i32(1);
    // Panel 2, then three empty panels
    f.Mark().u8(1).Mark().i32(1).Mark().u8(0);
    f.Mark().u8(0).Mark().u8(0).Mark().u8(0);
    // Logos
    f.Mark("logo1.enabled").i32(1).Mark("logo1.path").str(L"C:\\logos\\\x53F0\x6807.png").Mark("logo1.corner").i32(2);
    f.Mark().i32(0).Mark().str(L"").Mark().i32(0);
    // Quick effects, switches, interval
    f.Mark("quick.count").i32(3).Mark().i32(5).Mark().i32(7).Mark().i32(12);
    f.Mark().i32(1).Mark().i32(0).Mark().i32(1).Mark("interval").i32(25);
    f.Mark();
    for (int i = 0; i < CharTextStyle::kSize; ++i)
        f.u8(BYTE(i));
    // Caption editor without applied pages
    f.Mark().i32(0);
    f.Mark();
    if (engineStart)
        *engineStart = f.b.size();
    // Audio mixer
    f.i32(1).Mark().i32(0);
    for (int i = 0; i < 5; ++i)
        f.Mark().u8(BYTE(i % 2 == 0)).Mark().f32(0.5f * float(i + 1));
    // Channel video settings
    for (int i = 0; i < 5; ++i) {
        f.Mark().i32(i == 1).Mark().f32(0.1f).f32(1.2f).f32(30.0f).f32(0.9f);
        f.Mark().i32(i == 1).Mark().str(i == 1 ? L"CHANNEL:3" : L"").Mark().str(i == 1 ? L"CHANNEL:3" : L"");
        f.Mark().f32(0.33f).f32(0.1f).f32(0.2f).Mark().f32(0.0f).f32(1.0f).f32(0.0f).f32(1.0f);
    }
    f.Mark();
    return f;
}


// Loads bytes as a project, in memory.
bool LoadBytes(const std::vector<BYTE>& bytes, const ProjectLayout& layout, ProjectRecord& record)
{
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.empty() ? nullptr : copy.data(), static_cast<UINT>(copy.size()));
    CArchive ar(&file, CArchive::load, 4096);
    try {
        CProjectFile::Load(ar, layout, record);
        return true;
    } catch (CException* e) {
        e->Delete();
        return false;
    }
}

std::vector<BYTE> StoreBytes(const ProjectRecord& record)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store, 4096);
        CProjectFile::Store(ar, record);
    }
    const UINT length = static_cast<UINT>(file.GetLength());
    std::vector<BYTE> bytes(length);
    file.SeekToBegin();
    file.Read(bytes.data(), length);
    return bytes;
}

TEST(ProjectFile, HandMadeFileLoadsToItsRecordAndSavesToTheSameBytes)
{
    const Bytes fixture = Fixture();
    ProjectRecord r;
    ASSERT_TRUE(LoadBytes(fixture.b, kEngine, r));

    EXPECT_EQ(1, r.program);
    EXPECT_EQ(2, r.preview);
    const PanelRecord& p1 = r.panels[0];
    EXPECT_TRUE(p1.hasChannel);
    EXPECT_EQ(0, p1.tally);
    EXPECT_TRUE(p1.hasGraph);
    EXPECT_STREQ(L"Mic", p1.audio.name);
    EXPECT_STREQ(L"@device:pnp:audio", p1.audio.path);
    EXPECT_EQ(3u, p1.audio.flags);
    EXPECT_STREQ(L"Cam", p1.video.name);
    EXPECT_EQ(2, p1.graphState);
    EXPECT_EQ(123456789, p1.position);
    EXPECT_EQ((InputFormatOptions{0, 1, 2, 0, 1}), p1.graphOptions);
    EXPECT_TRUE(r.panels[1].hasChannel);
    EXPECT_EQ(1, r.panels[1].tally);
    EXPECT_FALSE(r.panels[1].hasGraph);
    for (int i = 2; i < 5; ++i)
        EXPECT_FALSE(r.panels[i].hasChannel) << i;
    EXPECT_EQ(1, r.logos[0].enabled);
    EXPECT_STREQ(L"C:\\logos\\\x53F0\x6807.png", r.logos[0].picture);
    EXPECT_EQ(2, r.logos[0].corner);
    EXPECT_EQ(0, r.logos[1].enabled);
    EXPECT_STREQ(L"", r.logos[1].picture);
    EXPECT_EQ((std::vector<DWORD>{5, 7, 12}), r.quickEffects);
    EXPECT_EQ(1, r.captionSwitch);
    EXPECT_EQ(0, r.manualPublishing);
    EXPECT_EQ(1, r.automaticPublishing);
    EXPECT_EQ(25, r.publishingInterval);
    BYTE style[CharTextStyle::kSize];
    r.subtitleStyle.ToBytes(style);
    for (int i = 0; i < CharTextStyle::kSize; ++i)
        ASSERT_EQ(BYTE(i), style[i]) << i;
    EXPECT_TRUE(r.captionPages.empty());
    EXPECT_TRUE(r.hasEngineRecords);
    EXPECT_EQ(1, r.agc);
    EXPECT_EQ(0, r.autoSwitch);
    ASSERT_EQ(5u, r.audioInputs.size());
    EXPECT_EQ(1, r.audioInputs[0].selected);
    EXPECT_EQ(0, r.audioInputs[1].selected);
    EXPECT_FLOAT_EQ(2.5f, r.audioInputs[4].gain);
    ASSERT_EQ(5u, r.channelSettings.size());
    EXPECT_EQ(1, r.channelSettings[1].bKey);
    EXPECT_STREQ(L"CHANNEL:3", r.channelSettings[1].strKeySource);
    EXPECT_FLOAT_EQ(30.0f, r.channelSettings[0].fHue);

    EXPECT_EQ(fixture.b, StoreBytes(r));
}

TEST(ProjectFile, CaptionEditorPagesAreLinesOfTheArchive)
{
    ProjectRecord r;
    r.captionPages = {L"C:\\pages\\a.rxf", L"C:\\\x5B57\x5E55.rxf"};
    const std::vector<BYTE> stored = StoreBytes(r);
    // The tail: count 2, then each path and a separate line feed as UTF-16 units.
    Bytes tail;
    tail.i32(2);
    for (const wchar_t* line : {L"C:\\pages\\a.rxf\n", L"C:\\\x5B57\x5E55.rxf\n"})
        for (const wchar_t* c = line; *c; ++c)
            tail.u8(BYTE(*c)).u8(BYTE(*c >> 8));
    ASSERT_GE(stored.size(), tail.b.size());
    EXPECT_EQ(tail.b, std::vector<BYTE>(stored.end() - tail.b.size(), stored.end()));
    ProjectRecord back;
    ASSERT_TRUE(LoadBytes(stored, ProjectLayout(), back));
    EXPECT_EQ(r.captionPages, back.captionPages);
}

TEST(ProjectFile, FileCutShortAnywhereIsRefusedAndChangesNothing)
{
    size_t engineStart = 0;
    const Bytes fixture = Fixture(&engineStart);
    ProjectRecord before;
    before.program = 4;
    before.quickEffects = {99};
    std::vector<size_t> cuts = fixture.marks;
    for (size_t n = 0; n < fixture.b.size(); ++n)
        cuts.push_back(n); // every byte as well as every field boundary
    for (size_t cut : cuts) {
        if (cut >= fixture.b.size())
            continue;
        ProjectRecord r = before;
        const std::vector<BYTE> shortFile(fixture.b.begin(), fixture.b.begin() + cut);
        const bool loaded = LoadBytes(shortFile, kEngine, r);
        if (cut == engineStart) {
            // A file written while the engine had no mixers ends here: it loads without them.
            EXPECT_TRUE(loaded);
            EXPECT_FALSE(r.hasEngineRecords);
            EXPECT_EQ(1, r.program);
            continue;
        }
        EXPECT_FALSE(loaded) << "cut at " << cut;
        EXPECT_EQ(4, r.program) << "cut at " << cut;
        EXPECT_EQ(std::vector<DWORD>{99}, r.quickEffects) << "cut at " << cut;
    }
    // Without the engine the file is read up to the caption editor and the rest passed over.
    ProjectRecord r;
    EXPECT_TRUE(LoadBytes(fixture.b, ProjectLayout(), r));
    EXPECT_FALSE(r.hasEngineRecords);
}

TEST(ProjectFile, HostileAndForeignFilesAreRefused)
{
    size_t engineStart = 0;
    const Bytes fixture = Fixture(&engineStart);
    const size_t logo1Path = fixture.named.at("logo1.path");
    const size_t logo1Corner = fixture.named.at("logo1.corner");
    const size_t quickCount = fixture.named.at("quick.count");
    const size_t panel1Tally = fixture.named.at("panel1.tally");
    const size_t panel1State = fixture.named.at("panel1.state");
    const size_t panel1Flag = fixture.named.at("panel1.flag");
    ASSERT_EQ(std::vector<BYTE>({0xFF, 0xFE, 0xFF}), std::vector<BYTE>(fixture.b.begin() + logo1Path, fixture.b.begin() + logo1Path + 3));

    auto patched = [&](size_t at, std::vector<BYTE> bytes, size_t replace) {
        std::vector<BYTE> b = fixture.b;
        b.erase(b.begin() + at, b.begin() + at + replace);
        b.insert(b.begin() + at, bytes.begin(), bytes.end());
        return b;
    };
    auto i32 = [](uint32_t v) { return Bytes().i32(v).b; };
    struct Case {
        const char* what;
        std::vector<BYTE> file;
    };
    const Case cases[] = {
        {"string of 2^31 - 1 characters", patched(logo1Path + 3, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, 1)},
        {"string of 2^63 characters in the 64-bit form",
         patched(logo1Path + 3, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0x80}, 1)},
        {"string of 65533 characters", patched(logo1Path + 3, {0xFF, 0xFD, 0xFF}, 1)},
        {"quick effect count 2^31 - 1", patched(quickCount, i32(0x7FFFFFFF), 4)},
        {"quick effect count -1", patched(quickCount, i32(0xFFFFFFFF), 4)},
        {"caption page count 2^30", patched(engineStart - 4, i32(0x40000000), 4)},
        {"caption page count -5", patched(engineStart - 4, i32(0xFFFFFFFB), 4)},
        {"logo corner 4", patched(logo1Corner, i32(4), 4)},
        {"logo corner -1", patched(logo1Corner, i32(0xFFFFFFFF), 4)},
        {"logo switch 2", patched(fixture.named.at("logo1.enabled"), i32(2), 4)},
        {"panel tally 3", patched(panel1Tally, i32(3), 4)},
        {"panel flag byte 2", patched(panel1Flag, {2}, 1)},
        {"play state 7", patched(panel1State, i32(7), 4)},
        {"a byte behind the engine's records", [&] { std::vector<BYTE> b = fixture.b; b.push_back(0); return b; }()},
        {"a PNG picture", [] {
             std::vector<BYTE> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
             b.resize(600, 0x41);
             return b;
         }()},
        {"a text file", [] {
             const char* text = "[Operation]\r\nSecPause=1\r\n";
             return std::vector<BYTE>(text, text + strlen(text));
         }()},
    };
    for (const Case& c : cases) {
        ProjectRecord r;
        r.program = 3;
        EXPECT_FALSE(LoadBytes(c.file, kEngine, r)) << c.what;
        EXPECT_EQ(3, r.program) << c.what;
    }
}

TEST(ProjectFile, IntervalAndQuickEffectsLoadAsTheDeskShowsThem)
{
    struct IntervalCase {
        int stored, loaded;
    } intervals[] = {{3, 10}, {150, 10}, {5, 5}, {100, 100}, {4, 10}, {101, 10}, {-7, 10}, {37, 37}};
    for (const IntervalCase& c : intervals)
        EXPECT_EQ(c.loaded, CProjectFile::NormaliseInterval(c.stored)) << c.stored;

    struct TextCase {
        LPCWSTR text;
        int tenths;
    } texts[] = {{L"0.3", 5}, {L"12", 100}, {L"2.3", 23}, {L"1.0", 10}, {L"0.5", 5}, {L"10.0", 100}, {L"abc", 42}, {L"", 42}};
    for (const TextCase& c : texts)
        EXPECT_EQ(c.tenths, CProjectFile::IntervalFromText(c.text, 42)) << c.text;

    ProjectRecord r;
    EXPECT_EQ(std::vector<DWORD>{1}, CProjectFile::ShownQuickEffects(r));
    r.quickEffects = {4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ((std::vector<DWORD>{4, 5, 6, 7, 8}), CProjectFile::ShownQuickEffects(r));

    // A stored interval out of range reads back as 1.0 s.
    Bytes f = Fixture();
    const size_t interval = f.named.at("interval");
    ASSERT_EQ(25, f.b[interval]);
    f.b[interval] = 3;
    ASSERT_TRUE(LoadBytes(f.b, kEngine, r));
    EXPECT_EQ(10, r.publishingInterval);
}

TEST(ProjectFile, EngineRecordsGoThroughTheMixersOwnPieces)
{
    const std::wstring folder = MakeTestFolder(L"project_engine");
    SetExeDirectoryOverride(folder.c_str());
    {
        CAudioMixer mixer(5);
        mixer.SetAGC(0);
        mixer.SetAutoSwitch(1);
        mixer.SetSel(2, false);
        mixer.SetGainDb(3, -6);
        ProjectRecord r;
        CProjectFile::CaptureEngine(&mixer, nullptr, r);
        EXPECT_TRUE(r.hasEngineRecords);
        ASSERT_EQ(5u, r.audioInputs.size());
        EXPECT_EQ(0, r.agc);
        EXPECT_EQ(1, r.autoSwitch);
        EXPECT_EQ(0, r.audioInputs[2].selected);

        mixer.SetAGC(1);
        mixer.SetAutoSwitch(0);
        mixer.SetSel(2, true);
        mixer.SetGainDb(3, 0);
        CProjectFile::ApplyEngine(r, &mixer, nullptr);
        EXPECT_EQ(0, mixer.GetAGC());
        EXPECT_EQ(1, mixer.GetAutoSwitch());
        EXPECT_EQ(0, mixer.GetSel(2));
        EXPECT_EQ(-6, mixer.GetGainDb(3));
    }
    SetExeDirectoryOverride(nullptr);
}

// A panel's own project piece as a panel writes it: here, the bytes of a panel with a
// channel and a graph, read back into the fields it would apply.
class FakePanelPiece {
public:
    void Serialize(CArchive& ar)
    {
        if (ar.IsStoring()) {
            ar.Write(stored.data(), static_cast<UINT>(stored.size()));
            return;
        }
        BYTE hasChannel = 0, hasGraph = 0;
        ar >> hasChannel >> tally >> hasGraph;
        audio.Serialize(ar);
        video.Serialize(ar);
        ar >> state >> position;
        options.Serialize(ar);
        loaded = hasChannel == 1 && hasGraph == 1;
    }
    std::vector<BYTE> stored;
    bool loaded = false;
    int tally = -1, state = -1;
    LONGLONG position = 0;
    SourceDescriptor audio, video;
    InputFormatOptions options;
};

TEST(ProjectFile, PanelPieceIsCheckedOnTheWayInAndOut)
{
    Bytes piece;
    piece.u8(1).i32(1).u8(1).str(L"a").str(L"").i32(1).str(L"v.avi").str(L"").i32(1).i32(1).i64(50000000);
    piece.i32(1).i32(0).i32(0).i32(1).i32(0);
    FakePanelPiece panel;
    panel.stored = piece.b;
    PanelRecord record;
    CProjectFile::CapturePanel([&](CArchive& ar) { panel.Serialize(ar); }, record);
    EXPECT_EQ(1, record.tally);
    EXPECT_STREQ(L"v.avi", record.video.name);
    EXPECT_EQ(50000000, record.position);
    EXPECT_EQ((InputFormatOptions{1, 0, 0, 1, 0}), record.graphOptions);

    record.graphState = 2;
    CProjectFile::ApplyPanel(record, [&](CArchive& ar) { panel.Serialize(ar); });
    EXPECT_TRUE(panel.loaded);
    EXPECT_EQ(1, panel.tally);
    EXPECT_EQ(2, panel.state);
    EXPECT_EQ(50000000, panel.position);
    EXPECT_STREQ(L"a", panel.audio.name);
    EXPECT_EQ((InputFormatOptions{1, 0, 0, 1, 0}), panel.options);

    // A piece that writes what the loader refuses (a tally of 9) fails the capture.
    panel.stored[1] = 9;
    PanelRecord untouched;
    bool refused = false;
    try {
        CProjectFile::CapturePanel([&](CArchive& ar) { panel.Serialize(ar); }, untouched);
    } catch (CException* e) {
        e->Delete();
        refused = true;
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(2, untouched.tally);
}

// The desk as a loaded project drives it, written down call by call.
class RecordingDesk : public IProjectDesk {
public:
    void LoadPanel(int panel, const PanelRecord& r) override { Note(L"panel %d %d", panel, r.hasChannel ? 1 : 0); }
    void SetPanelTally(int panel, int tally) override { Note(L"tally %d %d", panel, tally); }
    void HardCut(int channel) override { Note(L"cut %d", channel); }
    void SelectPreview(int channel) override { Note(L"preview %d", channel); }
    void BuildLogo(int logo, const CString& picture) override { Note(L"logo %d build %s", logo, picture.GetString()); }
    void SetLogoSwitch(int logo, bool on) override { Note(L"logo %d %s", logo, on ? L"on" : L"off"); }
    void SetLogoCorner(int logo, int corner) override { Note(L"logo %d corner %d", logo, corner); }
    void SetQuickEffects(const std::vector<DWORD>& effects) override
    {
        CString list;
        for (DWORD e : effects)
            list.AppendFormat(L" %lu", static_cast<unsigned long>(e));
        Note(L"quick%s", list.GetString());
    }
    void SetCaptionSwitches(bool caption, bool manual, bool automatic) override
    {
        Note(L"switches %d %d %d", caption, manual, automatic);
    }
    void SetPublishingInterval(int tenths) override { Note(L"interval %s", IntervalText(tenths).GetString()); }
    void SetSubtitleStyle(const CharTextStyle& style) override { Note(L"style %lu", style.presetId); }
    void OpenCaptionPages(const std::vector<CString>& pages) override { Note(L"pages %d", int(pages.size())); }
    void ApplyEngineRecords(const ProjectRecord& r) override { Note(L"engine %d", int(r.audioInputs.size())); }

    std::vector<std::wstring> calls;

private:
    template <typename... A> void Note(LPCWSTR format, A... args)
    {
        CString text;
        text.Format(format, args...);
        calls.push_back(std::wstring(text.GetString()));
    }
};

TEST(ProjectApply, LoadedProjectDrivesTheDeskInFileOrder)
{
    ProjectRecord fixture;
    ASSERT_TRUE(LoadBytes(Fixture().b, kEngine, fixture));
    ProjectRecord bare;
    bare.program = 6; // no such channel: no cut
    bare.logos[0].enabled = 1; // on with no picture: switched on at its corner all the same
    bare.logos[1].picture = L"C:\\b.bmp";
    bare.publishingInterval = 150;
    struct Case {
        const char* what;
        const ProjectRecord* record;
        std::vector<std::wstring> calls;
    } cases[] = {
        {"the fixture", &fixture,
         {L"panel 0 1", L"tally 0 2", L"panel 1 1", L"tally 1 2", L"panel 2 0", L"tally 2 2", L"panel 3 0",
          L"tally 3 2", L"panel 4 0", L"tally 4 2", L"cut 1", L"tally 0 0", L"preview 2", L"tally 1 1",
          L"logo 0 build C:\\logos\\\x53F0\x6807.png", L"logo 0 on", L"logo 0 corner 2", L"logo 1 off",
          L"logo 1 corner 0", L"quick 5 7 12", L"switches 1 0 1", L"interval 2.5", L"style 2206368128", L"pages 0", L"engine 5"}},
        {"a bare project", &bare,
         {L"panel 0 0", L"tally 0 2", L"panel 1 0", L"tally 1 2", L"panel 2 0", L"tally 2 2", L"panel 3 0",
          L"tally 3 2", L"panel 4 0", L"tally 4 2", L"logo 0 on", L"logo 0 corner 0", L"logo 1 build C:\\b.bmp",
          L"logo 1 off", L"logo 1 corner 0", L"quick 1", L"switches 0 0 0", L"interval 1.0", L"style 0", L"pages 0"}},
    };
    for (const Case& c : cases) {
        RecordingDesk desk;
        ApplyProjectRecord(*c.record, desk);
        EXPECT_EQ(c.calls, desk.calls) << c.what;
    }
    for (auto [tenths, text] : {std::pair<int, LPCWSTR>{5, L"0.5"}, {25, L"2.5"}, {100, L"10.0"}})
        EXPECT_STREQ(text, IntervalText(tenths)) << tenths;
}

// The desk as the commands see it: a state captured on save and replaced on open.
class FakeDesk : public IProjectHost {
public:
    ProjectLayout GetProjectLayout() override { return layout; }
    void CaptureProject(ProjectRecord& record) override { record = state; }
    void ApplyProject(const ProjectRecord& record) override
    {
        state = record;
        ++applied;
    }
    ProjectLayout layout = kEngine;
    ProjectRecord state;
    int applied = 0;
};

std::vector<BYTE> ReadFileBytes(const std::wstring& path)
{
    std::ifstream in(std::string(CStringA(path.c_str())), std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::wstring& path, const std::vector<BYTE>& bytes)
{
    return WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

class ProjectCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeTestFolder(L"project_commands");
        SetExeDirectoryOverride(folder.c_str());
        good = folder + L"\\show.rvp";
        bad = folder + L"\\cut.rvp";
        fixture = Fixture().b;
        ASSERT_TRUE(WriteFileBytes(good, fixture));
        ASSERT_TRUE(WriteFileBytes(bad, std::vector<BYTE>(fixture.begin(), fixture.begin() + 100)));
    }
    void TearDown() override
    {
        for (const std::wstring& f : {good, bad, folder + L"\\saved.rvp", folder + L"\\saved.rvp.saving"}) {
            ::SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(f.c_str());
        }
        SetExeDirectoryOverride(nullptr);
        ::RemoveDirectoryW(folder.c_str());
    }

    const std::wstring kFailureBox = L"\x9519\x8BEF|\x5DE5\x7A0B\x6253\x5F00\x6216\x4FDD\x5B58\x5931\x8D25\xFF0C"
                                     L"\x53EF\x80FD\x662F\x7248\x672C\x4E0D\x4E00\x81F4\x5F15\x8D77\x7684\x3002";
    std::wstring folder, good, bad;
    std::vector<BYTE> fixture;
    CDialogSeams seams;
    FakeDesk desk;
};

TEST_F(ProjectCommandsTest, OpenAsksForAnRvpAndReadsAReadOnlyProject)
{
    ASSERT_TRUE(::SetFileAttributesW(good.c_str(), FILE_ATTRIBUTE_READONLY));
    CProjectCommands commands(desk);
    seams.nextFiles.push_back(good);
    EXPECT_TRUE(commands.OnOpen(nullptr));
    ASSERT_EQ(1u, seams.files.size());
    EXPECT_TRUE(seams.files[0].open);
    EXPECT_EQ(L"rvp", seams.files[0].defaultExtension);
    EXPECT_EQ(L"Ravelmixer Project Files(*.rvp)|*.rvp||", seams.files[0].filter);
    EXPECT_TRUE(seams.files[0].flags & OFN_HIDEREADONLY);
    EXPECT_EQ(1, desk.applied);
    EXPECT_EQ(1, desk.state.program);
    EXPECT_STREQ(good.c_str(), commands.GetPath());
    EXPECT_TRUE(seams.boxes.empty());

    // A cancelled dialog and a file that cannot be opened change nothing and say nothing.
    EXPECT_FALSE(commands.OnOpen(nullptr));
    EXPECT_FALSE(commands.OpenPath((folder + L"\\absent.rvp").c_str(), nullptr));
    EXPECT_EQ(1, desk.applied);
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_STREQ(good.c_str(), commands.GetPath());
}

TEST_F(ProjectCommandsTest, RefusedProjectSaysSoAndKeepsWhatWasLoaded)
{
    CProjectCommands commands(desk);
    ASSERT_TRUE(commands.OpenPath(good.c_str(), nullptr));
    const ProjectRecord loaded = desk.state;
    EXPECT_FALSE(commands.OpenPath(bad.c_str(), nullptr));
    ASSERT_EQ(1u, seams.boxes.size());
    EXPECT_EQ(kFailureBox, seams.boxes[0]);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), seams.boxTypes[0]);
    EXPECT_EQ(1, desk.applied);
    EXPECT_STREQ(good.c_str(), commands.GetPath());
    EXPECT_EQ(loaded.quickEffects, desk.state.quickEffects);
}

TEST_F(ProjectCommandsTest, SaveWritesThroughATemporaryAndKeepsTheOldFileOnFailure)
{
    CProjectCommands commands(desk);
    ASSERT_TRUE(commands.OpenPath(good.c_str(), nullptr));
    const std::wstring saved = folder + L"\\saved.rvp";

    // New forgets the path: Save asks, and a cancelled dialog saves nothing.
    commands.OnNew();
    EXPECT_STREQ(L"", commands.GetPath());
    EXPECT_FALSE(commands.OnSave(nullptr));
    ASSERT_EQ(1u, seams.files.size());
    EXPECT_FALSE(seams.files[0].open);
    EXPECT_EQ(L"rvp", seams.files[0].defaultExtension);
    EXPECT_TRUE(seams.files[0].flags & OFN_OVERWRITEPROMPT);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(saved.c_str()));

    seams.nextFiles.push_back(saved);
    EXPECT_TRUE(commands.OnSave(nullptr));
    EXPECT_STREQ(saved.c_str(), commands.GetPath());
    EXPECT_EQ(fixture, ReadFileBytes(saved));
    EXPECT_TRUE(seams.boxes.empty());

    // The file held open by another program cannot be replaced: the old one stays whole,
    // no temporary is left and the operator is told.
    desk.state.program = 5;
    HANDLE held = ::CreateFileW(saved.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(commands.OnSave(nullptr));
    ::CloseHandle(held);
    EXPECT_EQ(fixture, ReadFileBytes(saved));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((saved + L".saving").c_str()));
    ASSERT_EQ(1u, seams.boxes.size());
    EXPECT_EQ(kFailureBox, seams.boxes[0]);

    // Once free, Save replaces it.
    EXPECT_TRUE(commands.OnSave(nullptr));
    std::vector<BYTE> expected = fixture;
    expected[0] = 5;
    EXPECT_EQ(expected, ReadFileBytes(saved));

    // Save As to a folder that does not exist fails the same way.
    seams.nextFiles.push_back(folder + L"\\absent\\x.rvp");
    EXPECT_FALSE(commands.OnSaveAs(nullptr));
    EXPECT_EQ(2u, seams.boxes.size());
    EXPECT_EQ(expected, ReadFileBytes(saved));
}

} // namespace
