#include "app/engine/VideoChannel.h"

#include <set>

namespace {

template <class T> void ReleaseAndClear(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

} // namespace

CVideoChannel::CVideoChannel(int inputIndex, HWND channelWindow, IBaseFilter* vmr, IFilterGraph* filterGraph,
                             IVMRSurfaceAllocatorNotify9* allocatorNotify)
    : input(inputIndex), window(channelWindow), notify(allocatorNotify), renderer(vmr), graph(filterGraph)
{
    if (notify)
        notify->AddRef();
    if (renderer)
        renderer->AddRef();
    if (graph)
        graph->AddRef();
    // Square pixels 4:3 until the first frame or format says otherwise.
    format.dwPictAspectRatioX = 4;
    format.dwPictAspectRatioY = 3;
}

CVideoChannel::~CVideoChannel()
{
    ReleaseFieldTextures();
    ReleaseTextures();
    ReleaseSurfaces();
    ReleaseAndClear(graph);
    ReleaseAndClear(renderer);
    ReleaseAndClear(notify);
}

void CVideoChannel::ReleaseSurfaces()
{
    for (IDirect3DSurface9*& s : surfaces)
        ReleaseAndClear(s);
    surfaces.clear();
}

void CVideoChannel::ReleaseTextures()
{
    ReleaseAndClear(channelTexture);
    ReleaseAndClear(sourceTexture);
    sourceWidth = sourceHeight = 0;
}

void CVideoChannel::ReleaseFieldTextures()
{
    // Each field texture is in exactly one place; a set guards against releasing one twice.
    std::set<IDirect3DTexture9*> all(freeFields.begin(), freeFields.end());
    for (const ReadyField& f : readyFields)
        all.insert(f.texture);
    all.insert(shownField);
    shownField = nullptr;
    for (IDirect3DTexture9* t : all)
        if (t)
            t->Release();
    freeFields.clear();
    readyFields.clear();
}
