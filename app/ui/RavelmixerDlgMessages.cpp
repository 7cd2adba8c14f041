// The private messages the desk answers for the channel panels, the program view, the settings
// pages, the outputs, the playout and the caption windows.
#include "app/ui/RavelmixerDlg.h"

#include "app/captions/MoreCharDlg.h"
#include "app/captions/PlayItem.h"
#include "app/core/DeskMessages.h"
#include "app/core/OutputType.h"
#include "app/engine/Channel.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/graphs/base/DXGraph.h"
#include "app/graphs/outputs/wmv/WmvComposeGraph.h"
#include "app/ui/VolCtrlPane.h"

#include <shellapi.h>

#include <cstdio>

namespace {

// What an exception inside the engine counts as.
const HRESULT kEngineException = static_cast<HRESULT>(0x80040208);

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

CString FormatCode(UINT formatId, HRESULT hr)
{
    CString text;
    text.Format(LoadText(formatId), static_cast<unsigned>(hr));
    return text;
}

// The duration and seeking of a pair of sources, read from a graph of its own that is never
// run, so probing touches no panel and no channel.
HRESULT ProbeSources(const SourceDescriptor& audio, const SourceDescriptor& video, LONGLONG* duration, DWORD* caps)
{
    *duration = 0;
    *caps = 0;
    const SourceDescriptor& source = !video.name.IsEmpty() ? video : audio;
    if (source.name.IsEmpty())
        return E_INVALIDARG;
    // A live device has no length and does not seek.
    if (source.IsCaptureDevice())
        return S_OK;
    CDXGraph graph;
    HRESULT hr = graph.Create();
    if (FAILED(hr))
        return hr;
    hr = graph.GetGraph()->RenderFile(source.name, nullptr);
    if (FAILED(hr))
        return hr;
    if (FAILED(graph.GetCapabilities(caps)))
        *caps = 0;
    hr = graph.GetDuration(duration);
    return hr;
}

} // namespace

int CRavelmixerDlg::PanelIndexOf(const CWnd* panel) const
{
    if (!panel)
        return -1;
    for (int i = 0; i < kPanelCount; ++i)
        if (&m_panels[i] == panel || (m_panels[i].GetSafeHwnd() && m_panels[i].GetSafeHwnd() == panel->GetSafeHwnd()))
            return i;
    return -1;
}

int CRavelmixerDlg::PanelIndexOf(WPARAM panel) const
{
    for (int i = 0; i < kPanelCount; ++i)
        if (reinterpret_cast<WPARAM>(&m_panels[i]) == panel ||
            (m_panels[i].GetSafeHwnd() && reinterpret_cast<WPARAM>(m_panels[i].GetSafeHwnd()) == panel))
            return i;
    return -1;
}

void CRavelmixerDlg::ShowLoadError(HRESULT hr)
{
    AfxShowMessageBox(m_hWnd, FormatCode(131, hr), L"Error", MB_ICONERROR);
}

// --- channel panels -------------------------------------------------------------------

void CRavelmixerDlg::DropFailedChannel(CDVPlayWnd& panel)
{
    // The engine let the channel go and chose its program again; the desk follows it.
    panel.UnloadChannel();
    m_nProgram = m_director.GetProgramChannel();
    m_nPreview = m_director.GetPreviewChannel() == m_nProgram ? 0 : m_director.GetPreviewChannel();
    if (CDVPlayWnd* program = PanelOfChannel(m_nProgram))
        program->SetTallyState(CDVPlayWnd::kOnAir);
    if (CDVPlayWnd* preview = PanelOfChannel(m_nPreview))
        preview->SetTallyState(CDVPlayWnd::kPreview);
    UpdateViewEnable();
}

LRESULT CRavelmixerDlg::OnPanelLoadSources(WPARAM wParam, LPARAM lParam)
{
    const int index = PanelIndexOf(static_cast<WPARAM>(lParam));
    const SourceDescriptor* sources = reinterpret_cast<const SourceDescriptor*>(wParam);
    if (index < 0 || !sources)
        return 0;
    CDVPlayWnd& panel = m_panels[index];
    const int number = index + 1;
    HRESULT hr = S_OK;
    if (panel.GetChannel()) {
        try {
            hr = m_director.ReloadChannel(panel.GetChannel(), sources[0], sources[1]);
        } catch (...) {
            hr = kEngineException;
        }
        if (FAILED(hr)) {
            DropFailedChannel(panel);
            ShowLoadError(hr);
            return 0;
        }
    } else {
        try {
            // The mixer shows the channel's picture in the panel's preview area; the graph's events
            // go to the panel, which drains them.
            hr = m_director.LoadChannel(&panel.GetPreviewArea(), panel.GetSafeHwnd(), number, panel.GetChannelSlot(),
                                        sources[0], sources[1]);
        } catch (...) {
            hr = kEngineException;
        }
        if (FAILED(hr) || !panel.GetChannel()) {
            panel.UnloadChannel();
            UpdateViewEnable();
            ShowLoadError(FAILED(hr) ? hr : E_FAIL);
            return 0;
        }
        if (m_director.GetProgramChannel() == number) {
            m_nProgram = number;
            panel.SetTallyState(CDVPlayWnd::kOnAir);
        } else if (m_nPreview == 0) {
            m_director.SetPreview(number);
            m_nPreview = number;
            panel.SetTallyState(CDVPlayWnd::kPreview);
        }
    }
    UpdateViewEnable();
    return 1;
}

LRESULT CRavelmixerDlg::OnPanelMediaEnded(WPARAM wParam, LPARAM)
{
    const int index = PanelIndexOf(wParam);
    if (index < 0)
        return 0;
    if (m_nActionWhenOver == 1 || m_nActionWhenOver == 2)
        m_panels[index].Stop();
    if (m_nActionWhenOver == 2)
        m_panels[index].Play();
    return 1;
}

LRESULT CRavelmixerDlg::OnPanelDeviceLost(WPARAM wParam, LPARAM)
{
    const int index = PanelIndexOf(wParam);
    if (index < 0)
        return 1;
    m_panels[index].Stop();
    CString text;
    text.Format(LoadText(132), index + 1);
    AfxShowMessageBox(m_hWnd, text, L"Error", MB_ICONERROR);
    return 1;
}

LRESULT CRavelmixerDlg::OnPanelDeviceBack(WPARAM wParam, LPARAM)
{
    const int index = PanelIndexOf(wParam);
    if (index < 0)
        return 1;
    CDVPlayWnd& panel = m_panels[index];
    CChannel* channel = panel.GetChannel();
    if (!channel)
        return 1;
    // The channel graph opens the device again from the sources it was loaded with.
    const SourceDescriptor audio = channel->GetAudioSource();
    const SourceDescriptor video = channel->GetVideoSource();
    if (SUCCEEDED(m_director.ReloadChannel(channel, audio, video)))
        panel.Play();
    else
        // A device that does not open again leaves no half channel behind in the panel.
        DropFailedChannel(panel);
    return 1;
}

LRESULT CRavelmixerDlg::OnPanelCheckOnAir(WPARAM wParam, LPARAM)
{
    const int index = PanelIndexOf(wParam);
    return index >= 0 && index + 1 == m_nProgram && m_bOnAirLock ? 0 : 1;
}

LRESULT CRavelmixerDlg::OnPanelStarted(WPARAM wParam, LPARAM)
{
    return wParam != 0 ? 1 : 0;
}

LRESULT CRavelmixerDlg::OnPanelIsFree(WPARAM wParam, LPARAM lParam)
{
    return OnPanelCheckOnAir(wParam, lParam);
}

LRESULT CRavelmixerDlg::OnPanelMoreControls(WPARAM wParam, LPARAM lParam)
{
    const int index = PanelIndexOf(wParam);
    if (!m_pClipPane) {
        if (index < 0)
            return 1;
        m_pClipPane.reset(new CVolCtrlPane(this));
        m_pClipPane->SetSkinMap(&m_skin);
    }
    CDVPlayWnd* panel = index >= 0 ? &m_panels[index] : nullptr;
    m_pClipPane->ShowForPanel(panel, static_cast<int>(lParam), panel ? panel->GetRate() : 1.0);
    return 1;
}

LRESULT CRavelmixerDlg::OnPanelSelect(WPARAM wParam, LPARAM lParam)
{
    const int index = PanelIndexOf(wParam);
    if (index < 0 || lParam == 0 || m_bTransition)
        return 0;
    CDVPlayWnd& panel = m_panels[index];
    if (!panel.GetChannel())
        return 1;
    const int number = index + 1;
    if (panel.GetTallyState() == CDVPlayWnd::kIdle) {
        if (CDVPlayWnd* previous = PanelOfChannel(m_nPreview))
            if (previous != &panel && m_nPreview != m_nProgram)
                previous->SetTallyState(CDVPlayWnd::kIdle);
        if (SUCCEEDED(m_director.SetPreview(number)))
            m_nPreview = number;
    }
    m_nSelectedPanel = index;
    return 1;
}

LRESULT CRavelmixerDlg::OnPanelTake(WPARAM wParam, LPARAM)
{
    const int index = PanelIndexOf(wParam);
    if (m_bTransition || index < 0)
        return 0;
    SendMessage(WM_COMMAND, MAKEWPARAM(34464 + index + 1, 0), 0);
    return 1;
}

// --- the program view -------------------------------------------------------------------

LRESULT CRavelmixerDlg::OnAddVideoWindow(WPARAM wParam, LPARAM)
{
    if (CVideoMixer* mixer = m_director.GetVideoMixer())
        mixer->AddPresentWindow(reinterpret_cast<HWND>(wParam));
    return 1;
}

LRESULT CRavelmixerDlg::OnRemoveVideoWindow(WPARAM wParam, LPARAM)
{
    if (CVideoMixer* mixer = m_director.GetVideoMixer())
        mixer->RemovePresentWindow(reinterpret_cast<HWND>(wParam));
    return 1;
}

LRESULT CRavelmixerDlg::OnMainPing(WPARAM, LPARAM)
{
    return 1;
}

// --- the new-version check ---------------------------------------------------------------

LRESULT CRavelmixerDlg::OnVersionInfoDone(WPARAM, LPARAM)
{
    if (!m_versionRequest || !m_versionRequest->Succeeded())
        return 1;
    const std::wstring body = m_versionRequest->Body();
    std::wstring published;
    if (!IsNewerVersionOffered(body, RVX_BUILD_VERSION_TEXT, &published))
        return 1;
    const CString path = GetExeDirectory() + L"\\rvxrelease.txt";
    FILE* file = _wfopen(path, L"wb");
    if (file) {
        const CStringA ansi(body.c_str());
        fwrite(static_cast<LPCSTR>(ansi), 1, static_cast<size_t>(ansi.GetLength()), file);
        fclose(file);
    }
    CString question;
    question.Format(LoadText(238), published.c_str(), RVX_BUILD_VERSION_TEXT);
    if (AfxShowMessageBox(m_hWnd, question, LoadText(239), MB_YESNO | MB_ICONINFORMATION) == IDYES && file)
        ::ShellExecuteW(m_hWnd, L"open", path, nullptr, nullptr, SW_SHOWNORMAL);
    return 1;
}

// --- the sound-card page ------------------------------------------------------------------

LRESULT CRavelmixerDlg::OnSetAudioOutput(WPARAM wParam, LPARAM lParam)
{
    m_bSoundCardOutput = wParam != 0;
    if (!m_bSoundCardOutput) {
        m_director.StopAudioPreview();
        return 1;
    }
    const CString* device = reinterpret_cast<const CString*>(lParam);
    if (device) {
        m_strSoundCard = *device;
        const CStringA ansi(m_strSoundCard);
        m_director.StartAudioPreview(ansi);
    }
    return 1;
}

LRESULT CRavelmixerDlg::OnProgramVolume(WPARAM wParam, LPARAM lParam)
{
    IAudioPreviewGraph* preview = m_director.GetAudioPreview();
    if (!preview)
        return 0;
    if (wParam == 1) {
        long volume = 0;
        if (FAILED(preview->GetVolume(&volume)))
            return 0;
        return VolumeToPercent(volume);
    }
    const long volume = PercentToVolume(static_cast<int>(lParam));
    preview->SetVolume(volume);
    return volume;
}

// --- outputs ---------------------------------------------------------------------------------

LRESULT CRavelmixerDlg::OnDvOutputEvent(WPARAM, LPARAM lParam)
{
    try {
        // The message was posted: the graph it names may have been stopped and deleted since.
        IOutputGraph* graph = m_director.GetOutputGraph(kOutputIeee1394);
        if (!graph || reinterpret_cast<LPARAM>(graph) != lParam)
            return 0;
        CBaseGraph* events = dynamic_cast<CBaseGraph*>(graph);
        if (!events)
            return 0;
        bool lost = false;
        long code = 0;
        while (!lost && SUCCEEDED(events->Graph().GetSignificantEvent(&code)))
            lost = code == EC_DEVICE_LOST;
        if (!lost)
            return 0;
        m_director.StopOutput(kOutputIeee1394);
        AfterOutputStopped();
        AppMessageBox(nullptr, 256, 106, MB_ICONERROR);
    } catch (...) {
    }
    return 0;
}

LRESULT CRavelmixerDlg::OnPushError(WPARAM wParam, LPARAM)
{
    AppMessageBoxText(nullptr, FormatCode(252, static_cast<HRESULT>(wParam)), 106, MB_ICONERROR);
    return 0;
}

// --- the playout --------------------------------------------------------------------------------

LRESULT CRavelmixerDlg::OnProbePlaySource(WPARAM wParam, LPARAM lParam)
{
    const SourceDescriptor* sources = reinterpret_cast<const SourceDescriptor*>(wParam);
    int* seekable = reinterpret_cast<int*>(lParam);
    if (seekable)
        *seekable = 0;
    if (!sources)
        return 0;
    LONGLONG duration = 0;
    DWORD caps = 0;
    if (FAILED(ProbeSources(sources[0], sources[1], &duration, &caps)))
        return 0;
    if (seekable)
        *seekable = (caps & AM_SEEKING_CanSeekAbsolute) ? 1 : 0;
    return static_cast<LRESULT>(duration / 10000000);
}

LRESULT CRavelmixerDlg::OnAutoplayLoad(WPARAM wParam, LPARAM lParam)
{
    const PlayItem* item = reinterpret_cast<const PlayItem*>(wParam);
    if (!item || lParam < 0 || lParam >= kPanelCount)
        return 0;
    SourceDescriptor audio = item->audio;
    SourceDescriptor video = item->video;
    if (!BindSourceFilters(audio, video))
        return 0;
    CDVPlayWnd& panel = m_panels[lParam];
    if (!panel.LoadSources(audio, video))
        return 0;
    if (item->startPosition > 0)
        panel.SeekToSeconds(static_cast<int>(item->startPosition));
    panel.Pause(FALSE);
    // The playout keeps a slot only for a programme that is really there.
    return 1;
}

LRESULT CRavelmixerDlg::OnAutoplayPlay(WPARAM wParam, LPARAM lParam)
{
    if (lParam < 0 || lParam >= kPanelCount)
        return 0;
    const int flag = LOWORD(wParam);
    const int seconds = HIWORD(wParam);
    const int slot = static_cast<int>(lParam);
    // A slot whose programme did not load (its file gone, its device missing) has nothing to
    // play: the programme on air goes on rather than standing paused for a cut that cannot
    // happen, until the schedule's next item.
    if (flag != 0 && !m_panels[slot].GetChannel())
        return 0;
    if (flag == 0 || m_nProgram != slot + 1)
        if (CDVPlayWnd* program = PanelOfChannel(m_nProgram))
            program->Pause(FALSE);
    if (flag == 0)
        return 0;
    CDVPlayWnd& panel = m_panels[slot];
    if (seconds > 0)
        panel.SeekToSeconds(seconds);
    else
        panel.Stop();
    panel.Play();
    SendMessage(WM_COMMAND, MAKEWPARAM(34458 + slot, 0), 0);
    return 0;
}

LRESULT CRavelmixerDlg::OnAutoplayCaption(WPARAM wParam, LPARAM lParam)
{
    // The caption editor shows scheduled pages; without one a show is refused (0) and a hide
    // has nothing to do.
    if (m_pMoreChar && m_pMoreChar->GetSafeHwnd()) {
        const BOOL show = static_cast<BOOL>(LOWORD(lParam));
        // A show builds its bitmaps compatible with the desk's own device context.
        HDC dc = show ? ::GetDC(m_hWnd) : nullptr;
        const int shown = m_pMoreChar->ShowScheduledCaption(show, HIWORD(lParam), reinterpret_cast<LPCWSTR>(wParam), dc);
        if (dc)
            ::ReleaseDC(m_hWnd, dc);
        return shown;
    }
    return (lParam & 0xFFFF) == 1 ? 0 : 1;
}
