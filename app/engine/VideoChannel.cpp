#include "app/engine/VideoChannel.h"

CVideoChannel::CVideoChannel(int inputIndex, HWND channelWindow, IBaseFilter* vmr, IFilterGraph* filterGraph,
                             IVMRSurfaceAllocatorNotify9* allocatorNotify)
    : input(inputIndex), window(channelWindow), notify(allocatorNotify), renderer(vmr), graph(filterGraph)
{
    // Square pixels 4:3 until the first frame or format says otherwise.
    format.dwPictAspectRatioX = 4;
    format.dwPictAspectRatioY = 3;
}

CVideoChannel::~CVideoChannel()
{
    // What lives on the device goes before the renderer that made the surfaces.
    ReleaseFieldTextures();
    ReleaseTextures();
    ReleaseSurfaces();
}

void CVideoChannel::ReleaseSurfaces()
{
    surfaces.clear();
}

IDirect3DSurface9** CVideoChannel::SurfaceSlots(DWORD count)
{
    static_assert(sizeof(CComPtr<IDirect3DSurface9>) == sizeof(IDirect3DSurface9*),
                  "the helper writes plain interface pointers");
    surfaces.clear();
    surfaces.resize(count);
    return reinterpret_cast<IDirect3DSurface9**>(surfaces.data());
}

void CVideoChannel::ReleaseTextures()
{
    channelTexture.Release();
    sourceTexture.Release();
    sourceWidth = sourceHeight = 0;
}

void CVideoChannel::ReleaseFieldTextures()
{
    // Each place holds its own reference, so a texture both shown and queued goes once the
    // last of them lets go.
    shownField.Release();
    freeFields.clear();
    readyFields.clear();
}
