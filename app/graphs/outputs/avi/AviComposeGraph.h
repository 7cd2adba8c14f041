// The AVI output: the program recorded into time-stamped AVI files in the operator's
// folder, through the AVI multiplexer and the file writer, with an optional video and audio
// compressor, and a new file begun whenever the current one reaches the size limit.
#pragma once

#include "app/graphs/outputs/avi/AviFileSplitter.h"
#include "app/graphs/compose/ComposeGraph.h"
#include "app/core/OutputSettings.h"

#include <memory>
#include <vector>

class CAviComposeGraph : public CComposeGraph, public IAviSplitTarget {
public:
    CAviComposeGraph();
    ~CAviComposeGraph() override;

    void SetSettings(const AviOutputSettings& settings) { m_settings = settings; }
    // The director hands the record after Create; Build is the first to read it.
    void SetAviSettings(const AviOutputSettings& settings) override { SetSettings(settings); }

    HRESULT Build() override;
    // Splitting ends before the graph stops, so no switch in progress can run it again.
    HRESULT Stop() override;

    // IAviSplitTarget: what a split does, on the splitter's worker.
    HRESULT StopGraph() override;
    HRESULT SetFileName(LPCWSTR name) override;
    HRESULT RunGraph() override;

    // The file being written (empty before Build).
    CString CurrentFileName();
    // Null unless a Build with Split on started it.
    CAviFileSplitter* Splitter() const { return m_splitter.get(); }
    IBaseFilter* Multiplexer() const { return m_mux; }

    // Tests give the sizes the split sees and tick by hand instead of the one-second timer
    // (file names come from the engine clock's local time). Set before Build.
    void SetFileSize(CAviFileSplitter::FileSizeFn size) { m_fileSize = size; }
    void SetSplitTimer(bool enabled) { m_splitTimer = enabled; }

private:
    void StopForTeardown() override;
    void RemoveOutputFilters() override;
    HRESULT AddVideoEncoder(IBaseFilter** encoder);
    HRESULT AddAudioEncoder(IBaseFilter** encoder);
    void SetCaptureInterleaving();
    void CompleteVideoImageSize();
    void ShutdownSplitter();
    // The compose pins keep what arrives and deliver nothing until the graph runs again.
    void HoldPins();
    void ReleaseFileSink();

    AviOutputSettings m_settings;
    CComPtr<ICaptureGraphBuilder2> m_builder;
    CComPtr<IBaseFilter> m_mux;
    // What feeds the multiplexer, taken at the first file switch: a switch that failed half
    // way leaves a new multiplexer with only some of them, and the retry must join them all.
    std::vector<CComPtr<IPin>> m_muxFeeds;
    CComPtr<IFileSinkFilter> m_fileSink;
    CComPtr<IBaseFilter> m_videoEncoder;
    CComPtr<IBaseFilter> m_audioEncoder;
    CString m_currentFile;
    CAviFileSplitter::FileSizeFn m_fileSize;
    bool m_splitTimer = true;
    std::unique_ptr<CAviFileSplitter> m_splitter;
};
