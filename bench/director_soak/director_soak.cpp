// Soak of the switching core on the real clock: the director as the program makes it (the
// program's graph factory, its own multimedia timers) with the two sample clips as file
// channels, a cut, a mix or a picture-in-picture every few seconds, and the AVI output
// (splitting by size; finished files are counted and deleted), the virtual-device output and
// the Decklink output running throughout. What the machine lacks under Wine (the system's
// colour space converter the virtual-device output needs, the Decklink renderers) comes from
// the output stand-ins, registered in this process only. Every 30 s and at the end it prints composed frames, frames each
// output took and dropped, the frames found in the AVI files, memory, handles and threads;
// at the end the time Shutdown took.
//
//   director_soak.exe [minutes=10] [avi megabytes per file=64] [virtual-device port=28651]
//
// Run from build/win64/bench under Wine with a display, the program folder at ../out (fx\,
// samples\); AVI files go to %TEMP%\rvx_soak.
#include <afxwin.h>

#include "app/core/EngineClock.h"
#include "app/core/OutputType.h"
#include "app/engine/Channel.h"
#include "app/engine/DXRenderEngine.h"
#include "app/engine/Director.h"
#include "app/engine/VideoChannel.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/graphs/outputs/avi/AviComposeGraph.h"
#include "app/graphs/ProgramGraphs.h"
#include "testing/outputs/OutputStandIns.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Video chunks ("00db") in the movi lists of an AVI file, found by walking chunk headers.
long CountVideoChunks(const CString& path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    auto readAt = [file](ULONGLONG at, void* data, DWORD size) {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(at);
        DWORD got = 0;
        return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) && ReadFile(file, data, size, &got, nullptr) &&
               got == size;
    };
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    const ULONGLONG end = static_cast<ULONGLONG>(size.QuadPart);
    long frames = 0;
    // RIFF/AVIX lists at the top, each holding hdrl, movi and idx1 chunks or lists.
    for (ULONGLONG riff = 0; riff + 12 <= end;) {
        char head[12];
        if (!readAt(riff, head, 12) || memcmp(head, "RIFF", 4) != 0)
            break;
        const ULONGLONG riffEnd = riff + 8 + *reinterpret_cast<const DWORD*>(head + 4);
        for (ULONGLONG at = riff + 12; at + 8 <= riffEnd && at + 8 <= end;) {
            char chunk[12];
            if (!readAt(at, chunk, 12))
                break;
            const DWORD chunkSize = *reinterpret_cast<const DWORD*>(chunk + 4);
            if (memcmp(chunk, "LIST", 4) == 0 && memcmp(chunk + 8, "movi", 4) == 0) {
                const ULONGLONG moviEnd = at + 8 + chunkSize;
                for (ULONGLONG c = at + 12; c + 8 <= moviEnd && c + 8 <= end;) {
                    char sub[8];
                    if (!readAt(c, sub, 8))
                        break;
                    const DWORD subSize = *reinterpret_cast<const DWORD*>(sub + 4);
                    if (memcmp(sub, "00db", 4) == 0 || memcmp(sub, "00dc", 4) == 0)
                        ++frames;
                    c += 8 + subSize + (subSize & 1);
                }
            }
            at += 8 + chunkSize + (chunkSize & 1);
        }
        riff = riffEnd + (riffEnd & 1);
    }
    CloseHandle(file);
    return frames;
}

// The process's handles as the system lists them (GetProcessHandleCount answers 0 under Wine).
DWORD HandleCount()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count)
        return count;
    typedef LONG(WINAPI * QueryFn)(ULONG, void*, ULONG, ULONG*);
    const QueryFn query =
        reinterpret_cast<QueryFn>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
    if (!query)
        return 0;
    // SYSTEM_HANDLE_INFORMATION: a count, then entries that begin with the owner's process id.
    struct Entry
    {
        ULONG process;
        BYTE type, flags;
        USHORT handle;
        void* object;
        ACCESS_MASK access;
    };
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    LONG status;
    while ((status = query(16, buffer.data(), ULONG(buffer.size()), &needed)) == LONG(0xC0000004) &&
           buffer.size() < (64u << 20))
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return 0;
    const ULONG entries = *reinterpret_cast<const ULONG*>(buffer.data());
    const Entry* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    const ULONG self = GetCurrentProcessId();
    for (ULONG i = 0; i < entries; ++i)
        if (entry[i].process == self)
            ++count;
    return count;
}

DWORD ThreadCount()
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    DWORD count = 0;
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry))
        if (entry.th32OwnerProcessID == self)
            ++count;
    CloseHandle(snap);
    return count;
}

struct OutputCounts
{
    long delivered = 0;
    long dropped = 0;
};

OutputCounts CountsOf(CDirector& director, int type)
{
    OutputCounts counts;
    CComposeGraph* graph = dynamic_cast<CComposeGraph*>(director.GetOutputGraph(type));
    if (graph && graph->ComposeSource() && graph->ComposeSource()->VideoPin()) {
        CCSVideoOutputPin* pin = graph->ComposeSource()->VideoPin();
        counts.delivered = pin->Delivered();
        counts.dropped = static_cast<long>(pin->Queue().Dropped());
    }
    return counts;
}

SourceDescriptor FileSource(const CString& path)
{
    SourceDescriptor d;
    d.name = path;
    d.flags = SourceDescriptor::kNamed;
    return d;
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int megabytes = argc > 2 ? std::atoi(argv[2]) : 64;
    const int port = argc > 3 ? std::atoi(argv[3]) : 28651;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.find_last_of(L'\\'));
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW((folder + L"\\..\\out").c_str(), MAX_PATH, full, nullptr);
    const CString program(full);
    SetExeDirectoryOverride(program);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const CString aviFolder = CString(temp) + L"rvx_soak";
    CreateDirectoryW(aviFolder, nullptr);

    HWND window = CreateWindowExW(0, L"STATIC", L"soak", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    // The channels' owner, as the channel panels are in the program.
    standin::COutputStandIns standIns;
    CWnd owner;
    owner.Attach(window);
    CProgramGraphFactory factory;
    CDirector director;
    director.SetChannelGraphFactory(&factory);
    director.SetOutputGraphFactory(&factory);
    WAVEFORMATEX pcm = {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    director.SetAudioFormat(&pcm);
    HRESULT hr = director.Init(window, window, 320, 240, 25.0f, 1.0, 2);
    if (FAILED(hr)) {
        std::printf("soak: the director did not start, error 0x%08lx\n", static_cast<unsigned long>(hr));
        return 1;
    }
    for (int number = 1; number <= 2; ++number) {
        CString clip;
        clip.Format(L"%s\\samples\\sample%d.avi", static_cast<LPCWSTR>(program), number);
        CChannel* channel = nullptr;
        hr = director.LoadChannel(&owner, window, number, &channel, FileSource(clip), FileSource(clip));
        if (FAILED(hr) || !channel || !channel->GetGraph()->GetTransport()) {
            std::printf("soak: channel %d did not load %ls, error 0x%08lx\n", number, static_cast<LPCWSTR>(clip),
                        static_cast<unsigned long>(hr));
            return 1;
        }
        channel->GetGraph()->GetTransport()->Run();
    }
    AviOutputSettings avi;
    avi.Path = aviFolder;
    avi.Split = 1;
    avi.Max = megabytes;
    avi.VCodec = L"None";
    avi.ACodec = L"None";
    director.SetAviSettings(avi);
    director.SetListenPort(static_cast<WORD>(port));
    DecklinkOutputSettings decklink;
    decklink.VideoDevice = standin::COutputStandIns::DecklinkVideoName();
    decklink.AudioDevice = standin::COutputStandIns::DecklinkAudioName();
    director.SetDecklinkSettings(decklink);
    for (int type : {kOutputAvi, kOutputVirtualDevice, kOutputDecklink}) {
        hr = director.StartOutput(type);
        std::printf("soak: output %d started, 0x%08lx\n", type, static_cast<unsigned long>(hr));
    }

    CDXRenderEngine* engine = director.GetVideoMixer()->GetDXRenderEngine();
    const LONG composedAtStart = engine->GetComposedCount();
    const DWORD begin = GetTickCount();
    const DWORD length = static_cast<DWORD>(minutes * 60000.0);
    DWORD nextSwitch = begin + 3000, nextReport = begin + 30000, transitionEnd = 0, nextLoopCheck = begin + 1000;
    long switches = 0, cuts = 0, rewinds = 0, aviFrames = 0, aviFiles = 0, decklinkFrames = 0;
    const int effects[] = {0, 1, 10}; // a cut, the mix, the picture-in-picture

    // Finished AVI files (any but the one being written) are counted and deleted.
    auto collectFiles = [&](bool all) {
        CAviComposeGraph* graph = dynamic_cast<CAviComposeGraph*>(director.GetOutputGraph(kOutputAvi));
        const CString current = graph ? graph->CurrentFileName() : CString();
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW(aviFolder + L"\\*.avi", &found);
        if (find == INVALID_HANDLE_VALUE)
            return;
        do {
            const CString path = aviFolder + L"\\" + found.cFileName;
            if (!all && path.CompareNoCase(current) == 0)
                continue;
            // A file the writer still holds (a switch in progress) is left for the next round.
            HANDLE probe = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (probe == INVALID_HANDLE_VALUE)
                continue;
            CloseHandle(probe);
            const long frames = CountVideoChunks(path);
            if (frames >= 0) {
                aviFrames += frames;
                ++aviFiles;
            }
            DeleteFileW(path);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    };
    auto report = [&](const char* when) {
        PROCESS_MEMORY_COUNTERS_EX memory = {};
        memory.cb = sizeof(memory);
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof(memory));
        const DWORD handles = HandleCount();
        const OutputCounts a = CountsOf(director, kOutputAvi), v = CountsOf(director, kOutputVirtualDevice),
                           d = CountsOf(director, kOutputDecklink);
        // The stand-in keeps a small record per frame; the log is emptied at each report.
        decklinkFrames += static_cast<long>(standin::DecklinkVideoLog().Count());
        standin::DecklinkVideoLog().Reset();
        standin::DecklinkAudioLog().Reset();
        const double seconds = (GetTickCount() - begin) / 1000.0;
        const LONG composed = engine->GetComposedCount() - composedAtStart;
        std::printf("soak %s %.0f s: composed %ld (%.2f/s), AVI took %ld dropped %ld, files %ld with %ld frames, "
                    "virtual device took %ld dropped %ld, Decklink took %ld dropped %ld (renderer got %ld), "
                    "transitions %ld (cuts %ld), rewinds %ld, committed %lu KB, "
                    "working set %lu KB, handles %lu, threads %lu, stops left %ld\n",
                    when, seconds, static_cast<long>(composed), seconds > 0 ? composed / seconds : 0.0, a.delivered,
                    a.dropped, aviFiles, aviFrames, v.delivered, v.dropped, d.delivered, d.dropped, decklinkFrames,
                    switches, cuts, rewinds, static_cast<unsigned long>(memory.PagefileUsage / 1024),
                    static_cast<unsigned long>(memory.WorkingSetSize / 1024), static_cast<unsigned long>(handles),
                    static_cast<unsigned long>(ThreadCount()), static_cast<long>(CChannel::LeftGraphs()));
        std::fflush(stdout);
    };

    int step = 0;
    while (GetTickCount() - begin < length) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
        const DWORD now = GetTickCount();
        if (transitionEnd && static_cast<LONG>(now - transitionEnd) >= 0) {
            director.EndTransition(true);
            transitionEnd = 0;
        }
        if (!transitionEnd && static_cast<LONG>(now - nextSwitch) >= 0) {
            const int effect = effects[step++ % 3];
            if (effect == 0) {
                if (director.StartTransition(1, FALSE, 1000) == S_OK) {
                    director.EndTransition(true);
                    ++cuts;
                }
            } else if (director.StartTransition(effect, TRUE, 1000) == S_OK) {
                transitionEnd = now + 1000;
            }
            ++switches;
            nextSwitch = now + 3000;
        }
        // The clips are ten seconds long: a channel near its end goes back to the start.
        if (static_cast<LONG>(now - nextLoopCheck) >= 0) {
            for (int number = 1; number <= 2; ++number) {
                CChannel* channel = director.GetChannel(number);
                IChannelTransport* transport = channel && channel->GetGraph() ? channel->GetGraph()->GetTransport()
                                                                              : nullptr;
                LONGLONG position = 0, duration = 0;
                if (transport && SUCCEEDED(transport->GetCurrentPosition(&position)) &&
                    SUCCEEDED(transport->GetDuration(&duration)) && duration > 0 && position >= duration - 5000000) {
                    transport->SetCurrentPosition(0);
                    ++rewinds;
                }
            }
            nextLoopCheck = now + 500;
        }
        if (static_cast<LONG>(now - nextReport) >= 0) {
            collectFiles(false);
            report("at");
            nextReport = now + 30000;
        }
    }
    if (transitionEnd)
        director.EndTransition(true);
    report("before stop");
    const OutputCounts aviAtStop = CountsOf(director, kOutputAvi);
    const DWORD stopBegin = GetTickCount();
    director.StopOutput(kOutputAll);
    const DWORD stopped = GetTickCount() - stopBegin;
    collectFiles(true);
    std::printf("soak: outputs stopped in %lu ms; AVI pin delivered %ld frames, the files hold %ld (%ld files)\n",
                static_cast<unsigned long>(stopped), aviAtStop.delivered, aviFrames, aviFiles);
    const DWORD shutdownBegin = GetTickCount();
    director.Shutdown();
    std::printf("soak: shut down in %lu ms\n", static_cast<unsigned long>(GetTickCount() - shutdownBegin));
    report("after shutdown");
    RemoveDirectoryW(aviFolder);
    owner.Detach();
    DestroyWindow(window);
    CoUninitialize();
    return 0;
}
