#include "app/ui/ProjectFile.h"

#include "app/engine/AudioMixer.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/LogWriter.h"

#include <cmath>
#include <cwchar>
#include <memory>

namespace {

[[noreturn]] void Refuse(CArchive& ar, const char* what)
{
    LogTime(AppLog()) << "Project: " << CStringA(ar.m_strFileName).GetString() << " refused: " << what << "\n";
    AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
}

void Need(CArchive& ar, ULONGLONG bytes, const char* what)
{
    if (ar.GetBytesRemaining() < bytes)
        Refuse(ar, what);
}

bool ReadFlagByte(CArchive& ar, const char* what)
{
    BYTE v = 0;
    ar >> v;
    if (v > 1)
        Refuse(ar, what);
    return v != 0;
}

int ReadInt(CArchive& ar, int low, int high, const char* what)
{
    int v = 0;
    ar >> v;
    if (v < low || v > high)
        Refuse(ar, what);
    return v;
}

// A string whose stored length is checked against what the file still holds before any
// character is read.
void ReadString(CArchive& ar, CString& out, const char* what)
{
    bool wide = false;
    const ULONGLONG length = ar.ReadStringLength(wide);
    // A 64-bit length must not wrap when counted in bytes.
    if (length > CProjectFile::kMaxFileSize)
        Refuse(ar, what);
    Need(ar, length * (wide ? 2 : 1), what);
    std::vector<BYTE> bytes(static_cast<size_t>(length * (wide ? 2 : 1)));
    if (!bytes.empty() && ar.Read(bytes.data(), static_cast<UINT>(bytes.size())) != bytes.size())
        AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    if (wide)
        out = CString(reinterpret_cast<const wchar_t*>(bytes.data()), static_cast<int>(length));
    else
        out = CString(CStringA(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(length)));
}

// A source descriptor as its own Serialize reads it, with its two lengths checked first.
void ReadSource(CArchive& ar, SourceDescriptor& source)
{
    CString name, path;
    DWORD flags = 0;
    ReadString(ar, name, "source name longer than the file");
    ReadString(ar, path, "source path longer than the file");
    ar >> flags;
    source.name = name;
    source.path = path;
    source.flags = flags;
    source.filter.Release(); // bound again from the path when the desk loads the panel
}

void StorePanel(CArchive& ar, const PanelRecord& panel)
{
    ar << static_cast<BYTE>(panel.hasChannel ? 1 : 0);
    if (!panel.hasChannel)
        return;
    ar << panel.tally;
    ar << static_cast<BYTE>(panel.hasGraph ? 1 : 0);
    if (!panel.hasGraph)
        return;
    SourceDescriptor audio(panel.audio), video(panel.video);
    audio.Serialize(ar);
    video.Serialize(ar);
    ar << panel.graphState;
    ar << panel.position;
    InputFormatOptions options = panel.graphOptions;
    options.Serialize(ar);
}

void LoadPanel(CArchive& ar, PanelRecord& panel)
{
    panel = PanelRecord();
    panel.hasChannel = ReadFlagByte(ar, "panel channel flag");
    if (!panel.hasChannel)
        return;
    panel.tally = ReadInt(ar, 0, 2, "panel tally");
    panel.hasGraph = ReadFlagByte(ar, "panel graph flag");
    if (!panel.hasGraph)
        return;
    ReadSource(ar, panel.audio);
    ReadSource(ar, panel.video);
    panel.graphState = ReadInt(ar, 0, 2, "panel play state");
    ar >> panel.position;
    panel.graphOptions.Serialize(ar);
}

void StoreLogo(CArchive& ar, const LogoRecord& logo)
{
    ar << logo.enabled << logo.picture << logo.corner;
}

void LoadLogo(CArchive& ar, LogoRecord& logo)
{
    logo.enabled = ReadInt(ar, 0, 1, "logo switch");
    ReadString(ar, logo.picture, "logo path longer than the file");
    // Never taken as an offset to a command: a corner outside the four refuses the file.
    logo.corner = ReadInt(ar, 0, 3, "logo corner");
}

// The caption editor's record: the count of applied pages, then each path as a line.
void StoreCaptionPages(CArchive& ar, const std::vector<CString>& pages)
{
    ar << static_cast<int>(pages.size());
    for (const CString& page : pages) {
        ar.WriteString(page);
        ar.WriteString(L"\n");
    }
}

void LoadCaptionPages(CArchive& ar, std::vector<CString>& pages)
{
    int count = 0;
    ar >> count;
    // Every line takes at least its line feed (two bytes).
    if (count < 0 || ULONGLONG(count) * 2 > ar.GetBytesRemaining())
        Refuse(ar, "caption page count");
    pages.clear();
    for (int i = 0; i < count; ++i) {
        CString line;
        if (!ar.ReadString(line))
            AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
        pages.push_back(line);
    }
}

void StoreAudio(CArchive& ar, const ProjectRecord& record)
{
    ar << record.agc << record.autoSwitch;
    for (const AudioInputRecord& input : record.audioInputs)
        ar << input.selected << input.gain;
}

void LoadAudio(CArchive& ar, int inputs, ProjectRecord& record)
{
    record.agc = ReadInt(ar, 0, 1, "audio AGC switch");
    record.autoSwitch = ReadInt(ar, 0, 1, "audio follow-program switch");
    Need(ar, ULONGLONG(inputs) * 5, "audio inputs");
    record.audioInputs.assign(static_cast<size_t>(inputs), AudioInputRecord());
    for (AudioInputRecord& input : record.audioInputs) {
        input.selected = ReadFlagByte(ar, "audio selection") ? 1 : 0;
        ar >> input.gain;
    }
}

void LoadChannelSettings(CArchive& ar, int inputs, ProjectRecord& record)
{
    // Each record holds at least its fixed fields and two one-byte empty strings.
    Need(ar, ULONGLONG(inputs) * 54, "channel video settings");
    record.channelSettings.assign(static_cast<size_t>(inputs), ChannelVideoSettings());
    // The record's own reader; its strings are read piece by piece and end with the file.
    for (ChannelVideoSettings& settings : record.channelSettings)
        settings.Serialize(ar);
}

} // namespace

void CProjectFile::Store(CArchive& ar, const ProjectRecord& r)
{
    ar << r.program << r.preview;
    for (const PanelRecord& panel : r.panels)
        StorePanel(ar, panel);
    for (const LogoRecord& logo : r.logos)
        StoreLogo(ar, logo);
    ar << static_cast<int>(r.quickEffects.size());
    for (DWORD effect : r.quickEffects)
        ar << effect;
    ar << r.captionSwitch << r.manualPublishing << r.automaticPublishing;
    ar << r.publishingInterval;
    BYTE style[CharTextStyle::kSize];
    r.subtitleStyle.ToBytes(style);
    ar.Write(style, sizeof(style));
    StoreCaptionPages(ar, r.captionPages);
    if (r.hasEngineRecords) {
        if (!r.audioInputs.empty())
            StoreAudio(ar, r);
        for (const ChannelVideoSettings& settings : r.channelSettings)
            ChannelVideoSettings(settings).Serialize(ar);
    }
}

void CProjectFile::Load(CArchive& ar, const ProjectLayout& layout, ProjectRecord& out)
{
    std::unique_ptr<ProjectRecord> r(new ProjectRecord);
    ar >> r->program >> r->preview;
    for (PanelRecord& panel : r->panels)
        LoadPanel(ar, panel);
    for (LogoRecord& logo : r->logos)
        LoadLogo(ar, logo);
    int count = 0;
    ar >> count;
    if (count < 0 || ULONGLONG(count) * 4 > ar.GetBytesRemaining())
        Refuse(ar, "quick effect count");
    r->quickEffects.resize(static_cast<size_t>(count));
    for (DWORD& effect : r->quickEffects)
        ar >> effect;
    r->captionSwitch = ReadInt(ar, 0, 1, "caption switch");
    r->manualPublishing = ReadInt(ar, 0, 1, "manual publishing switch");
    r->automaticPublishing = ReadInt(ar, 0, 1, "automatic publishing switch");
    int interval = 0;
    ar >> interval;
    r->publishingInterval = NormaliseInterval(interval);
    BYTE style[CharTextStyle::kSize];
    if (ar.Read(style, sizeof(style)) != sizeof(style))
        AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    r->subtitleStyle.FromBytes(style);
    LoadCaptionPages(ar, r->captionPages);

    // A file written while the engine had no mixers ends here.
    const bool engine = layout.audioInputs > 0 || layout.videoInputs > 0;
    if (engine && ar.GetBytesRemaining() > 0) {
        r->hasEngineRecords = true;
        if (layout.audioInputs > 0)
            LoadAudio(ar, layout.audioInputs, *r);
        if (layout.videoInputs > 0)
            LoadChannelSettings(ar, layout.videoInputs, *r);
        if (ar.GetBytesRemaining() > 0)
            Refuse(ar, "bytes behind the engine's records");
    }
    out = *r;
}

CProjectFile::Result CProjectFile::LoadFromFile(LPCWSTR path, const ProjectLayout& layout, ProjectRecord& record)
{
    CFile file;
    CFileException error;
    if (!path || !file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary, &error))
        return kNotOpened;
    try {
        if (file.GetLength() > kMaxFileSize) {
            LogTime(AppLog()) << "Project: " << CStringA(path).GetString() << " is too large to be a project\n";
            return kFailed;
        }
        CArchive ar(&file, CArchive::load, 4096);
        ar.m_strFileName = path;
        Load(ar, layout, record);
        return kOk;
    } catch (CException* e) {
        e->Delete();
        return kFailed;
    }
}

CProjectFile::Result CProjectFile::SaveToFile(LPCWSTR path, const ProjectRecord& record)
{
    if (!path || !*path)
        return kFailed;
    const CString target(path);
    const CString temporary = target + L".saving";
    bool written = false;
    {
        CFile file;
        CFileException error;
        if (!file.Open(temporary, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive | CFile::typeBinary, &error)) {
            LogTime(AppLog()) << "Project: " << CStringA(temporary).GetString() << " cannot be created\n";
            return kFailed;
        }
        try {
            CArchive ar(&file, CArchive::store, 4096);
            ar.m_strFileName = temporary;
            Store(ar, record);
            ar.Close();
            file.Flush();
            file.Close();
            written = true;
        } catch (CException* e) {
            e->Delete();
            file.Abort();
        }
    }
    if (written && MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return kOk;
    LogTime(AppLog()) << "Project: " << CStringA(target).GetString() << " was not replaced (error " << GetLastError()
                      << "); the previous file stays\n";
    DeleteFileW(temporary);
    return kFailed;
}

int CProjectFile::NormaliseInterval(int tenths)
{
    return tenths < ProjectRecord::kMinInterval || tenths > ProjectRecord::kMaxInterval ? int(ProjectRecord::kDefaultInterval)
                                                                                         : tenths;
}

int CProjectFile::IntervalFromText(LPCWSTR seconds, int current)
{
    if (!seconds)
        return current;
    wchar_t* end = nullptr;
    double value = wcstod(seconds, &end);
    if (end == seconds || !std::isfinite(value))
        return current;
    if (value < 0.5)
        value = 0.5;
    if (value > 10.0)
        value = 10.0;
    // A tenth written as text ("2.3") is a hair below it in binary; it must not lose a tenth.
    return static_cast<int>(value * 10.0 + 1e-6);
}

std::vector<DWORD> CProjectFile::ShownQuickEffects(const ProjectRecord& record)
{
    std::vector<DWORD> shown(record.quickEffects.begin(),
                             record.quickEffects.begin() +
                                 (record.quickEffects.size() < ProjectRecord::kQuickEffectsShown ? record.quickEffects.size()
                                                                                               : size_t(ProjectRecord::kQuickEffectsShown)));
    if (shown.empty())
        shown.push_back(1);
    return shown;
}

void CProjectFile::CapturePanel(const PieceSerializer& serialize, PanelRecord& record)
{
    CMemFile memory;
    {
        CArchive out(&memory, CArchive::store);
        serialize(out);
    }
    memory.SeekToBegin();
    CArchive in(&memory, CArchive::load);
    PanelRecord captured;
    LoadPanel(in, captured);
    record = captured;
}

void CProjectFile::ApplyPanel(const PanelRecord& record, const PieceSerializer& serialize)
{
    CMemFile memory;
    {
        CArchive out(&memory, CArchive::store);
        StorePanel(out, record);
    }
    memory.SeekToBegin();
    CArchive in(&memory, CArchive::load);
    serialize(in);
}

void CProjectFile::CaptureEngine(CAudioMixer* audio, CVideoMixer* video, ProjectRecord& record)
{
    record.hasEngineRecords = audio || video;
    record.audioInputs.clear();
    record.channelSettings.clear();
    CMemFile memory;
    {
        CArchive out(&memory, CArchive::store);
        if (audio)
            audio->Serialize(out);
        if (video)
            video->SerializeChannelSettings(out);
    }
    memory.SeekToBegin();
    CArchive in(&memory, CArchive::load);
    if (audio) {
        in >> record.agc >> record.autoSwitch;
        record.audioInputs.resize(static_cast<size_t>(audio->GetInputCount()));
        for (AudioInputRecord& input : record.audioInputs)
            in >> input.selected >> input.gain;
    }
    if (video) {
        record.channelSettings.resize(static_cast<size_t>(video->GetInputCount()));
        for (ChannelVideoSettings& settings : record.channelSettings)
            settings.Serialize(in);
    }
}

void CProjectFile::ApplyEngine(const ProjectRecord& record, CAudioMixer* audio, CVideoMixer* video)
{
    if (!record.hasEngineRecords)
        return;
    // Through the mixers' own readers, which check the values they take.
    if (audio && record.audioInputs.size() == static_cast<size_t>(audio->GetInputCount())) {
        CMemFile memory;
        {
            CArchive out(&memory, CArchive::store);
            StoreAudio(out, record);
        }
        memory.SeekToBegin();
        CArchive in(&memory, CArchive::load);
        audio->Serialize(in);
    }
    if (video && record.channelSettings.size() == static_cast<size_t>(video->GetInputCount())) {
        CMemFile memory;
        {
            CArchive out(&memory, CArchive::store);
            for (const ChannelVideoSettings& settings : record.channelSettings)
                ChannelVideoSettings(settings).Serialize(out);
        }
        memory.SeekToBegin();
        CArchive in(&memory, CArchive::load);
        video->SerializeChannelSettings(in);
    }
}
