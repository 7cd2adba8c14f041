// The overlay card output: the program's video goes to the card renderer, which writes it
// into the card's overlay frame field by field. The card takes no audio.
#pragma once

#include "app/graphs/compose/ComposeGraph.h"
#include "app/graphs/outputs/card/Ovx500Render.h"

class COvx500ComposeGraph : public CComposeGraph {
public:
    COvx500ComposeGraph() = default;

    // Before Create.
    void SetSettings(const CardOutputSettings& settings) { m_settings = settings; }
    // The output's field order (1: odd field first), which decides after which field the
    // renderer lets a frame go.
    void SetFieldType(int fieldType) { m_fieldType = fieldType; }

    // Fails without a working card (the renderer tells the operator when there is none).
    HRESULT Build() override;

    COvx500Render* Renderer() const { return static_cast<COvx500Render*>(OwnSink()); }

private:
    HRESULT AddOutputFilters() override;
    CardOutputSettings m_settings;
    int m_fieldType = 0;
};
