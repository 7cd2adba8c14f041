#include "app/captions/PageLayers.h"

#include <memory>

#include "app/captions/image/ximage.h"

namespace captions {

namespace {

const int kTgaFormat = 6;
const int kGifType = 2;

void SizeOrDefault(int* w, int* h)
{
    if (*w <= 0 || *h <= 0) {
        *w = CCharObjList::kDefaultWidth;
        *h = CCharObjList::kDefaultHeight;
    }
}

// A memory context with a bitmap of the layer's size selected, freed with it.
class LayerCanvas {
public:
    LayerCanvas(HDC memory, HDC like, int w, int h) : m_memory(memory)
    {
        m_bitmap = ::CreateCompatibleBitmap(like, w, h);
        if (m_bitmap)
            m_old = ::SelectObject(m_memory, m_bitmap);
    }
    ~LayerCanvas()
    {
        if (m_bitmap) {
            ::SelectObject(m_memory, m_old);
            ::DeleteObject(m_bitmap);
        }
    }
    bool Ready() const { return m_bitmap != nullptr; }

private:
    HDC m_memory;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

CLISLayer* BuildOne(HDC dc, HDC memory, const CCharObject& object, int canvasW, int canvasH, CLISScene* scene)
{
    CharTextStyle style;
    CStringW text;
    std::unique_ptr<CxImage> image;
    int kind = CLISLayer::kKindFromDC;
    int period = 0;
    if (object.GetType() == CCharObject::kText) {
        if (!object.GetText(&style, &text))
            style.SetDefault();
    } else {
        if (!object.GetStyle(&style))
            style.SetDefault();
        image.reset(object.GetImage());
        if (image && image->GetType() == kGifType) {
            kind = CLISLayer::kKindAnimation;
            period = static_cast<int>(image->GetFrameDelay()) * 10;
        } else {
            kind = CLISLayer::kKindPicture;
        }
    }
    float x = 0, y = 0;
    LayerPlace(object, canvasW, canvasH, &x, &y);
    const int motion = object.GetMotion();
    const BYTE keyed = style.background != 1 ? 1 : 0;
    const RECT& r = object.GetRect();
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;

    CLISLayer* layer = nullptr;
    const BYTE* bytes = nullptr;
    DWORD count = 0;
    if (object.GetType() != CCharObject::kText && object.GetImageFormat() == kTgaFormat &&
        object.GetImageBytes(&bytes, &count)) {
        // From the file's bytes, which keeps the picture's own alpha.
        layer = new CLISLayer(bytes, count, scene, kind, motion, x, y, object.GetSpeed(), object.GetStay(), period,
                              style.opacity, style.backgroundColour, keyed, style.filter);
    } else {
        layer = new CLISLayer(scene, kind, motion, x, y, object.GetSpeed(), object.GetStay(), w, h, period,
                              style.opacity, style.backgroundColour, keyed, style.filter);
        LayerCanvas canvas(memory, dc, w > 0 ? w : 1, h > 0 ? h : 1);
        if (canvas.Ready() && w > 0 && h > 0) {
            if (object.GetType() == CCharObject::kText) {
                const RECT box = {0, 0, w, h};
                style.DrawText(memory, text, box, 0, true);
                layer->CopyFromDC(memory);
            } else if (image && image->GetNumFrames() > 1 && object.GetImageBytes(&bytes, &count)) {
                // One decode composes every frame; each is drawn into the same bitmap and
                // copied in before the next.
                CxImage all;
                all.SetRetreiveAllFrames(true);
                if (all.Decode(bytes, count, CXIMAGE_FORMAT_GIF)) {
                    for (long i = 0; i < all.GetNumFrames(); ++i) {
                        CxImage* frame = all.GetFrame(i);
                        if (!frame)
                            break;
                        frame->Stretch(memory, 0, 0, w, h, SRCCOPY);
                        layer->CopyFromDC(memory);
                    }
                }
            } else if (image) {
                image->Stretch(memory, 0, 0, w, h, SRCCOPY);
                layer->CopyFromDC(memory);
            }
        }
    }
    layer->SetStartDelay(object.GetStartDelay());
    layer->SetRepeatCount(object.GetRepeatCount());
    layer->SetRepeatInterval(object.GetRepeatInterval());
    return layer;
}

} // namespace

void LayerPlace(const CCharObject& object, int canvasWidth, int canvasHeight, float* x, float* y)
{
    SizeOrDefault(&canvasWidth, &canvasHeight);
    const RECT& r = object.GetRect();
    const BYTE motion = object.GetMotion();
    *x = static_cast<float>(motion == 5 ? r.right : r.left) / static_cast<float>(canvasWidth);
    *y = static_cast<float>(motion == 7 ? r.bottom : r.top) / static_cast<float>(canvasHeight);
}

void BuildRenderObjects(HDC dc, const CCharObjList& page, const RECT& canvas, CLISScene* scene,
                        std::vector<CLISLayer*>* out)
{
    int canvasW = canvas.right - canvas.left;
    int canvasH = canvas.bottom - canvas.top;
    SizeOrDefault(&canvasW, &canvasH);
    HDC memory = ::CreateCompatibleDC(dc);
    for (int i = page.GetCount() - 1; i >= 0; --i) {
        CCharObject* object = nullptr;
        if (!page.GetAt(i, &object))
            continue;
        CLISLayer* layer = BuildOne(dc, memory, *object, canvasW, canvasH, scene);
        layer->SetZ(0);
        if (scene)
            scene->AddLayer(layer);
        if (out)
            out->push_back(layer);
    }
    if (memory)
        ::DeleteDC(memory);
}

CString PageKey(const CString& path)
{
    wchar_t full[MAX_PATH * 4] = {};
    const DWORD n = ::GetFullPathNameW(path, MAX_PATH * 4, full, nullptr);
    CString key = n > 0 && n < MAX_PATH * 4 ? CString(full) : path;
    if (!key.IsEmpty()) {
        const int length = key.GetLength();
        ::CharUpperBuffW(key.GetBuffer(length), static_cast<DWORD>(length));
        key.ReleaseBuffer(length);
    }
    return key;
}

} // namespace captions
