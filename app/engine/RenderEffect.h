// Transitions: a compiled effect file in the fx folder that the render engine hands the
// program and preview textures and the progress of a transition.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <afx.h>

#include <vector>

// What every transition is given when it is loaded: the engine's size, the device and the
// screen quad's matrices.
struct EffectInitParams {
    int nOutputWidth;
    int nOutputHeight;
    int nTargetWidth;
    int nTargetHeight;
    IDirect3DDevice9* pDevice;
    float matWorld[16];
    float matViewProjection[16];
};

// One frame of a transition: element 0 of the textures is the program and element 1 the
// preview (the reverse while the T-bar runs back).
struct EffectRenderParams {
    float fProgress;
    std::vector<IDirect3DTexture9*> textures;
};

class CRenderEffect {
public:
    CRenderEffect() = default;
    CRenderEffect(const CRenderEffect&) = delete;
    CRenderEffect& operator=(const CRenderEffect&) = delete;
    virtual ~CRenderEffect() = default;

    // Opens the effect's parameter dialog (modeless) when the effect has parameters to tune.
    virtual HRESULT Configure(HWND parent) = 0;
    virtual HRESULT Init(const EffectInitParams* params) = 0;
    virtual HRESULT Uninit() = 0;
    virtual HRESULT Render(const EffectRenderParams* params) = 0;

    int GetType() const { return m_nType; }
    int GetID() const { return m_nID; }
    const CString& GetName() const { return m_strName; }
    const CString& GetDescription() const { return m_strDescription; }
    BOOL GetTimeSensitivity() const { return m_bTimeSensitivity != 0; }
    BOOL GetSwapWhenOver() const { return m_bSwapWhenOver != 0; }

protected:
    int m_nType = 0;
    int m_nID = 0;
    CString m_strName;
    CString m_strDescription;
    BYTE m_bTimeSensitivity = 1;
    BYTE m_bSwapWhenOver = 1;
};
