// A transition drawn by a Direct3D effect: the file is loaded with D3DX, its global
// parameters describe it, and every pass of its technique draws the engine's screen quad.
#pragma once

#include <d3dx9.h>

#include <streams.h>

#include <utility>
#include <vector>

#include "app/engine/RenderEffect.h"

class CDXRenderEffect;

// The parameter dialog of an effect, made by the settings dialogs. Its writes go through
// CDXRenderEffect::SetParameterValue, never straight into the effect.
class IEffectParameterDialog {
public:
    virtual ~IEffectParameterDialog() = default;
    virtual bool IsEmpty() const = 0;
    // Creates the modeless window.
    virtual bool Create(HWND parent) = 0;
    // Destroys the window when it exists.
    virtual void DestroyWindow() = 0;
};
using EffectParameterDialogFactory = IEffectParameterDialog* (*)(CDXRenderEffect& effect);

class CDXRenderEffect : public CRenderEffect {
public:
    explicit CDXRenderEffect(LPCWSTR fileName);
    ~CDXRenderEffect() override;

    HRESULT Configure(HWND parent) override;
    HRESULT Init(const EffectInitParams* params) override;
    HRESULT Uninit() override;
    HRESULT Render(const EffectRenderParams* params) override;

    virtual HRESULT Draw();
    virtual HRESULT CreateGeometry();
    virtual HRESULT ReadProperties();
    virtual void ReleaseGeometry();
    virtual HRESULT SetParameters(const EffectRenderParams* params);

    // The loaded effect (null before Init); the parameter dialog reads its annotations.
    ID3DXEffect* GetEffect() const { return m_pEffect; }
    const CString& GetFileName() const { return m_strFileName; }

    // A float for the effect, from any thread: it is written into the effect by the next
    // Render, on the thread that draws, so the write never races a frame being drawn.
    void SetParameterValue(D3DXHANDLE parameter, float value);

    // Who makes the parameter dialogs (the settings dialogs register theirs).
    static void SetParameterDialogFactory(EffectParameterDialogFactory factory);

protected:
    HRESULT LoadEffectFile();
    void ApplyPendingValues();
    void CloseDialog();

    EffectInitParams m_initParams = {};
    CString m_strFileName;   // relative to the fx folder (a subfolder may be part of it)
    CComPtr<IDirect3DDevice9> m_pDevice;
    CComPtr<ID3DXEffect> m_pEffect;
    CComPtr<IDirect3DVertexBuffer9> m_pVertexBuffer;
    IEffectParameterDialog* m_pDialog = nullptr;

private:
    CCritSec m_pendingLock;
    std::vector<std::pair<D3DXHANDLE, float>> m_pending;
};

// The fx folder beside the program.
CString GetEffectFolder();

// Reads a compiled effect file into memory and refuses it (D3DXERR_INVALIDDATA) unless it
// is well formed, so a corrupt file never reaches the effect runtime.
HRESULT ReadEffectFile(LPCWSTR path, std::vector<BYTE>& data);
