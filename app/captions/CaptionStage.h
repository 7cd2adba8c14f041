// What the caption editor shows its pages on: the program overlay scene, the preview overlay
// scene and the caption preview switch of the engine, and the program output size. The main
// window hands the editor one over its director.
#pragma once

#include <windows.h>

class CLISScene;

class ICaptionStage {
public:
    virtual ~ICaptionStage() = default;
    virtual CLISScene* GetOverlayScene() = 0;
    virtual CLISScene* GetPreviewScene() = 0;
    virtual bool ShowCaptionPreview(HWND window) = 0;
    virtual void HideCaptionPreview() = 0;
    virtual SIZE GetOutputSize() = 0;
};
