// The Decklink output: the program's video and audio end in the Decklink card's renderer
// filters, found by their friendly names among the system's video and audio renderers. A
// name of "None" leaves that stream without a renderer.
#pragma once

#include "app/graphs/compose/ComposeGraph.h"

class CDecklinkComposeGraph : public CComposeGraph {
public:
    CDecklinkComposeGraph() = default;
    ~CDecklinkComposeGraph() override;

    // Before Create.
    void SetSettings(const DecklinkOutputSettings& settings) { m_settings = settings; }

    // A named renderer that cannot be made is told to the operator and fails the output.
    HRESULT Build() override;

    IBaseFilter* VideoRenderer() const { return m_video; }
    IBaseFilter* AudioRenderer() const { return m_audio; }

private:
    HRESULT AddOutputFilters() override;
    void RemoveOutputFilters() override;
    HRESULT AddRenderer(REFGUID category, const CString& name, CComPtr<IBaseFilter>& renderer);

    DecklinkOutputSettings m_settings;
    CComPtr<IBaseFilter> m_video;
    CComPtr<IBaseFilter> m_audio;
};
