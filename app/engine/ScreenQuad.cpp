#include "app/engine/ScreenQuad.h"

QuadMatrices MakeQuadMatrices(float width, float height)
{
    QuadMatrices m;
    D3DXMATRIX scale, move;
    D3DXMatrixScaling(&scale, width / 2.0f, height / 2.0f, 1.0f);
    D3DXMatrixTranslation(&move, -0.5f, 0.5f, height / 2.0f);
    D3DXMatrixMultiply(&m.world, &scale, &move);

    const D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f), at(0.0f, 0.0f, 1.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&m.view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&m.projection, D3DX_PI / 2.0f, width / height, 1.0f, 1000.0f);
    D3DXMatrixMultiply(&m.viewProjection, &m.view, &m.projection);
    return m;
}

HRESULT CreateQuad(IDirect3DDevice9* device, IDirect3DVertexBuffer9** quad)
{
    if (!device || !quad)
        return E_POINTER;
    return device->CreateVertexBuffer(kQuadVertexCount * sizeof(QuadVertex), D3DUSAGE_WRITEONLY, kQuadFvf,
                                      D3DPOOL_MANAGED, quad, nullptr);
}

HRESULT FillQuad(IDirect3DVertexBuffer9* quad, float u, float v, float u2, float v2)
{
    if (!quad)
        return E_POINTER;
    void* data = nullptr;
    HRESULT hr = quad->Lock(0, 0, &data, 0);
    if (FAILED(hr))
        return hr;
    // Strip order: top left, top right, bottom left, bottom right.
    const QuadVertex corners[kQuadVertexCount] = {
        {-1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
        {1.0f, 1.0f, 0.0f, u, 0.0f, u, 0.0f, u2, 0.0f},
        {-1.0f, -1.0f, 0.0f, 0.0f, v, 0.0f, v, 0.0f, v2},
        {1.0f, -1.0f, 0.0f, u, v, u, v, u2, v2},
    };
    memcpy(data, corners, sizeof(corners));
    return quad->Unlock();
}

void BindQuad(IDirect3DDevice9* device, IDirect3DVertexBuffer9* quad, const QuadMatrices& m)
{
    device->SetStreamSource(0, quad, 0, sizeof(QuadVertex));
    device->SetFVF(kQuadFvf);
    device->SetTransform(D3DTS_WORLD, &m.world);
    device->SetTransform(D3DTS_VIEW, &m.view);
    device->SetTransform(D3DTS_PROJECTION, &m.projection);
}
