// The IEEE-1394 output: the program encoded to DV, multiplexed with its audio and sent to a
// DV deck on the FireWire bus, which records it. The deck is the one the settings hold, the
// first deck in VCR mode, or the one listed under the stored name.
#pragma once

#include "app/graphs/compose/ComposeGraph.h"
#include "app/core/OutputSettings.h"

class C1394ComposeGraph : public CComposeGraph {
public:
    C1394ComposeGraph() = default;
    ~C1394ComposeGraph() override;

    // Copied in before Create.
    void SetSettings(const DvOutputSettings& settings);

    HRESULT Build() override;

    // Takes every waiting event of the graph and returns the last of EC_COMPLETE,
    // EC_ERRORABORT and EC_DEVICE_LOST among them, or 0 (also for a graph without events).
    // The graph is the one the director names in its WM_DV_OUTPUT_EVENT message; 0 for one
    // that is not a graph of ours.
    static long HandleGraphEvents(IOutputGraph* graph);

    // The DV video format the encoder is given: 2001 (PAL) unless the deck's input is a
    // 525/60 signal (2000, NTSC).
    int GetVideoFormat() const { return m_videoFormat; }

private:
    HRESULT AddOutputFilters() override;
    void StopForTeardown() override;
    void RemoveOutputFilters() override;
    // The deck the output records on, bound but not yet in the graph.
    HRESULT FindDevice(IBaseFilter** device);
    HRESULT FindFirstVcr(IBaseFilter** device);
    HRESULT FindDeviceByName(IBaseFilter** device);
    // Mode, tape and signal of the deck in the graph.
    HRESULT CheckDevice();
    void ReleaseDevice();

    DvOutputSettings m_settings;
    CComPtr<IBaseFilter> m_device;
    CComPtr<IAMExtDevice> m_extDevice;
    CComPtr<IAMExtTransport> m_transport;
    int m_videoFormat = 2001;
};
