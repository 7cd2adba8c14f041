// A video mixer on a real Direct3D 9 device, with channels fed through Wine's own VMR-9 in
// renderless mode: the test allocates the renderer's surfaces through the mixer, paints them
// and presents them as the renderer would, then drives the mixing clock by hand.
#pragma once

#include "app/engine/DXRenderEngine.h"
#include "app/core/EngineClock.h"
#include "app/engine/VideoChannel.h"
#include "app/engine/VideoMixer.h"

#include <gtest/gtest.h>

#include <dshow.h>
#include <vmr9.h>

#include <vector>

namespace enginetest {

// The clock every test drives: EngineClock reads it.
extern DWORD g_now;
DWORD TestClock();

struct RecordingMixerListener : IVideoMixerListener
{
    void OnFrameReady(LONGLONG start, LONGLONG stop) override { frames.push_back({start, stop}); }
    struct Times
    {
        LONGLONG start, stop;
    };
    std::vector<Times> frames;
};

// One channel's renderer: a stopped graph holding a VMR-9 in renderless mode.
struct VmrChannel
{
    IGraphBuilder* graph = nullptr;
    IBaseFilter* vmr = nullptr;
    ~VmrChannel();
};

class VideoEngineTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A mixer of the given output size and field type, started, with manual ticks.
    void MakeMixer(int width, int height, int fieldType = 2, double pixelAspect = 1.0);
    // Detaches every input, lets the renderers go and releases the mixer (a test that makes
    // several mixers in turn; TearDown does it for the last).
    void TearDownMixer();
    // Attaches input `input` through a fresh VMR-9 and allocates its renderer surface in the
    // format a decoder would hand the renderer.
    void AttachInput(int input, UINT sourceWidth, UINT sourceHeight, D3DFORMAT format = D3DFMT_X8R8G8B8);
    // Paints the input's renderer surface (left and right halves may differ) and presents it.
    void PresentColour(int input, D3DCOLOR left, D3DCOLOR right, SIZE aspect = {4, 3});
    // Reads the next queued output frame's pixels; fails the test when none waits.
    std::vector<DWORD> PopFramePixels(OutputFrame* frameOut = nullptr);
    DWORD PixelAt(const std::vector<DWORD>& pixels, int x, int y) const;

    CDXRenderEngine* Engine() const { return mixer_->GetDXRenderEngine(); }

    HWND window_ = nullptr;
    CVideoMixer* mixer_ = nullptr;
    RecordingMixerListener listener_;
    std::vector<VmrChannel*> vmrs_;
    int width_ = 0;
    int height_ = 0;
};

// Colour channels within a tolerance: filtering and dithering move values by a few steps.
::testing::AssertionResult ColourNear(DWORD actual, DWORD expected, int tolerance = 6);

} // namespace enginetest
