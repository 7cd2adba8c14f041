// One attached mixer input: the channel renderer's surfaces, the channel's textures on the
// engine's device and, for an interlaced source on interlaced output, its field textures.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <dshow.h>
#include <dvdmedia.h>
#include <vmr9.h>
#include <streams.h>

#include <deque>
#include <vector>

struct ReadyField
{
    CComPtr<IDirect3DTexture9> texture;
    int field;
};

class CVideoChannel
{
public:
    CVideoChannel(int input, HWND window, IBaseFilter* renderer, IFilterGraph* graph,
                  IVMRSurfaceAllocatorNotify9* notify);
    virtual ~CVideoChannel();
    CVideoChannel(const CVideoChannel&) = delete;
    CVideoChannel& operator=(const CVideoChannel&) = delete;

    // The renderer's surfaces (released first) and the two textures the mixer needs.
    void ReleaseSurfaces();
    void ReleaseTextures();
    void ReleaseFieldTextures();
    // Room for `count` surfaces, in the layout the allocator helper fills.
    IDirect3DSurface9** SurfaceSlots(DWORD count);

    // Bit 8 of the second reserved word of the stored format: the operator forced the aspect.
    static const DWORD kAspectForced = 0x100;
    bool IsAspectForced() const { return (format.dwReserved2 & kAspectForced) != 0; }

    VIDEOINFOHEADER2 format = {};
    int input;
    HWND window;
    CComPtr<IVMRSurfaceAllocatorNotify9> notify;
    CComPtr<IBaseFilter> renderer;
    CComPtr<IFilterGraph> graph;
    std::vector<CComPtr<IDirect3DSurface9>> surfaces;
    // What the renderer asked for, kept to make its surfaces again after a device reset.
    VMR9AllocationInfo allocation = {};
    CComPtr<IDirect3DTexture9> channelTexture;
    CComPtr<IDirect3DTexture9> sourceTexture;
    UINT sourceWidth = 0;
    UINT sourceHeight = 0;
    // Field mode only: the field texture shown as the channel's picture, the spare ones, and
    // those holding processed fields in arrival order. The shown one may also still be queued.
    CComPtr<IDirect3DTexture9> shownField;
    std::deque<CComPtr<IDirect3DTexture9>> freeFields;
    std::deque<ReadyField> readyFields;

    // The picture the mixer composes.
    IDirect3DTexture9* CurrentTexture() const { return shownField ? shownField : channelTexture; }
    bool IsInterlacedSource() const { return (format.dwInterlaceFlags & AMINTERLACE_IsInterlaced) != 0; }
    int currentField = 2;
    int keepAspect = 1;
    int presenting = 0;
    LONG presentedFrames = 0;
};
