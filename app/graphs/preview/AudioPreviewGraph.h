// The audio preview: the mixed program audio played on a sound device of the operator's
// choice, with as little delay as possible. A source with one preview pin, rendered by the
// graph into the chosen audio renderer, or the system's default one.
#pragma once

#include "app/core/GraphContracts.h"
#include "app/graphs/compose/ComposeOutputPins.h"
#include "app/graphs/base/DXGraph.h"

#include <streams.h>

#include <string>

// {6843AFBE-AB6D-4285-A53D-E8E4C652D57E}
extern const CLSID CLSID_AudioPreviewSource;

class CAudioPreviewSource : public CSource {
public:
    // Made with one reference for the caller.
    static CAudioPreviewSource* CreateInstance(HRESULT* phr);

    // Owned by the filter's pin list.
    CAPSOutputPin* Pin() const { return m_pin; }

private:
    explicit CAudioPreviewSource(HRESULT* phr);

    CAPSOutputPin* m_pin = nullptr;
};

class CAudioPreviewGraph : public CBaseGraph, public IAudioPreviewGraph {
public:
    // The sound device's friendly name; empty for the system's default audio renderer.
    explicit CAudioPreviewGraph(const char* deviceName);
    ~CAudioPreviewGraph() override;

    HRESULT Create() override;
    // A named device that is not installed is no error: the default renderer plays.
    HRESULT Build() override;
    HRESULT Destroy() override;
    HRESULT Run() override { return m_graph.Run(); }
    HRESULT Stop() override { return m_graph.Stop(); }
    HRESULT SetPinMediaType(const AM_MEDIA_TYPE* type) override;
    IGrabListener* GetPinListener() override;
    HRESULT GetVolume(long* volume) override { return m_graph.GetVolume(volume); }
    HRESULT SetVolume(long volume) override { return m_graph.SetVolume(volume); }

    CAudioPreviewSource* Source() const { return m_source; }
    const std::string& DeviceName() const { return m_deviceName; }

private:
    void DeleteSource();

    CAudioPreviewSource* m_source = nullptr;  // one reference held
    std::string m_deviceName;
};
