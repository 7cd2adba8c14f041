// The transition of an effect file that draws the quad the engine has bound and describes
// itself by its global parameters.
#pragma once

#include "app/engine/DXRenderEffect.h"

class CDXSimpleRenderEffect : public CDXRenderEffect {
public:
    explicit CDXSimpleRenderEffect(LPCWSTR fileName) : CDXRenderEffect(fileName) {}

    HRESULT CreateGeometry() override;
    HRESULT ReadProperties() override;
    void ReleaseGeometry() override;

    // The language whose description is read: the system default language unless a test
    // chooses one (0 returns to the system's).
    static LANGID DescriptionLanguage();
    static void SetDescriptionLanguageOverride(LANGID language);
};
