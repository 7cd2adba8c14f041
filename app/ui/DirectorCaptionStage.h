// What the caption editor shows its pages on, over the main window's director: the program and
// preview overlay scenes, the caption preview switch, and the program output size the main
// window keeps.
#pragma once

#include "app/captions/CaptionStage.h"
#include "app/engine/Director.h"

class CDirectorCaptionStage : public ICaptionStage {
public:
    CDirectorCaptionStage(CDirector& director, const int& outputWidth, const int& outputHeight)
        : m_director(director), m_width(outputWidth), m_height(outputHeight)
    {
    }
    CLISScene* GetOverlayScene() override { return m_director.GetOverlayScene(); }
    CLISScene* GetPreviewScene() override { return m_director.GetPreviewScene(); }
    bool ShowCaptionPreview(HWND window) override { return m_director.ShowCaptionPreview(window); }
    void HideCaptionPreview() override { m_director.HideCaptionPreview(); }
    SIZE GetOutputSize() override { return SIZE{m_width, m_height}; }

private:
    CDirector& m_director;
    const int& m_width;  // the main window's output size, read when the preview opens
    const int& m_height;
};
