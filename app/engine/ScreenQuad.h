// The full-target quad every engine pass and transition draws: position plus three texture
// coordinate pairs (36 bytes a vertex), four vertices drawn as a triangle strip, and the
// world / view / projection matrices that make it fill a target exactly, with Direct3D 9's
// half-pixel offset.
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

struct QuadVertex
{
    float x, y, z;
    float u0, v0;
    float u1, v1;
    float u2, v2;
};

static_assert(sizeof(QuadVertex) == 36, "the quad's vertex layout is 36 bytes");

const DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_TEX3; // 0x302
const UINT kQuadVertexCount = 4;

// Matrices for a target of the given size: world scales the unit quad to pixels and moves it
// half a pixel; the camera looks from the origin down +z at a 90-degree field of view, so at
// z = height / 2 the visible height is exactly the target height.
struct QuadMatrices
{
    D3DXMATRIX world;
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMATRIX viewProjection;
};

QuadMatrices MakeQuadMatrices(float width, float height);

// Fills a quad's texture coordinates: the first two pairs span 0..u, 0..v; the third 0..u2, 0..v2.
HRESULT FillQuad(IDirect3DVertexBuffer9* quad, float u, float v, float u2, float v2);

HRESULT CreateQuad(IDirect3DDevice9* device, IDirect3DVertexBuffer9** quad);

// Binds the quad and the matrices to the fixed pipeline (for passes without a vertex shader).
void BindQuad(IDirect3DDevice9* device, IDirect3DVertexBuffer9* quad, const QuadMatrices& m);
