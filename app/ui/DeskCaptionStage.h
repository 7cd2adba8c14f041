// The caption editor's stage on the desk: the director's overlay scenes and caption preview,
// and the output size the desk runs at.
#pragma once

#include "app/captions/CaptionStage.h"
#include "app/engine/Director.h"

class CDeskCaptionStage : public ICaptionStage {
public:
    CDeskCaptionStage(CDirector& director, const int& width, const int& height)
        : m_director(director), m_width(width), m_height(height)
    {
    }
    CLISScene* GetOverlayScene() override { return m_director.GetOverlayScene(); }
    CLISScene* GetPreviewScene() override { return m_director.GetPreviewScene(); }
    bool ShowCaptionPreview(HWND window) override { return m_director.ShowCaptionPreview(window); }
    void HideCaptionPreview() override { m_director.HideCaptionPreview(); }
    SIZE GetOutputSize() override { return SIZE{m_width, m_height}; }

private:
    CDirector& m_director;
    const int& m_width;
    const int& m_height;
};
