#include "app/engine/DXRenderEffect.h"

#include "app/engine/EffectFileCheck.h"
#include "app/foundation/AppHelpers.h"
#include "app/foundation/HandleOwner.h"

namespace {

EffectParameterDialogFactory g_dialogFactory = nullptr;

// Far above any effect file; a bigger one is not read into memory.
constexpr LONGLONG kMaxEffectFileSize = 64LL * 1024 * 1024;

} // namespace

HRESULT ReadEffectFile(LPCWSTR path, std::vector<BYTE>& data)
{
    CHandleOwner file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return HRESULT_FROM_WIN32(GetLastError());
    LARGE_INTEGER size = {};
    HRESULT hr = S_OK;
    if (!GetFileSizeEx(file.Get(), &size)) hr = HRESULT_FROM_WIN32(GetLastError());
    else if (size.QuadPart > kMaxEffectFileSize) hr = D3DXERR_INVALIDDATA;
    if (SUCCEEDED(hr)) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!data.empty() && (!ReadFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
                              read != data.size()))
            hr = E_FAIL;
    }
    file.Close();
    if (SUCCEEDED(hr) && !IsWellFormedEffect(data.data(), data.size())) hr = D3DXERR_INVALIDDATA;
    return hr;
}

CString GetEffectFolder()
{
    return GetExeDirectory() + L"\\fx";
}

CDXRenderEffect::CDXRenderEffect(LPCWSTR fileName) : m_strFileName(fileName ? fileName : L"") {}

CDXRenderEffect::~CDXRenderEffect()
{
    CloseDialog();
    Uninit();
}

void CDXRenderEffect::SetParameterDialogFactory(EffectParameterDialogFactory factory)
{
    g_dialogFactory = factory;
}

void CDXRenderEffect::CloseDialog()
{
    // The window goes before the object behind it, so no message reaches a deleted dialog.
    if (!m_pDialog) return;
    m_pDialog->DestroyWindow();
    delete m_pDialog;
    m_pDialog = nullptr;
}

HRESULT CDXRenderEffect::Configure(HWND parent)
{
    if (!m_pEffect) return S_FALSE;
    CloseDialog();
    if (!g_dialogFactory) return S_FALSE;
    IEffectParameterDialog* dialog = g_dialogFactory(*this);
    if (!dialog) return E_OUTOFMEMORY;
    if (dialog->IsEmpty() || !dialog->Create(parent)) {
        delete dialog;
        return S_FALSE;
    }
    m_pDialog = dialog;
    return S_OK;
}

HRESULT CDXRenderEffect::Init(const EffectInitParams* params)
{
    if (!params || !params->pDevice) return E_INVALIDARG;
    m_initParams = *params;
    HRESULT hr = LoadEffectFile();
    if (FAILED(hr)) return hr;
    hr = CreateGeometry();
    if (FAILED(hr)) return hr;
    hr = ReadProperties();
    if (FAILED(hr)) return hr;
    return S_OK;
}

HRESULT CDXRenderEffect::Uninit()
{
    ReleaseGeometry();
    m_pVertexBuffer.Release();
    m_pEffect.Release();
    m_pDevice.Release();
    return S_OK;
}

HRESULT CDXRenderEffect::LoadEffectFile()
{
    if (!m_initParams.pDevice) return E_UNEXPECTED;
    const CString folder = GetEffectFolder();
    const DWORD attributes = GetFileAttributesW(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return E_FAIL;

    m_pEffect.Release();
    m_pDevice.Release();
    m_pDevice = m_initParams.pDevice;

    // Opened by its path inside the fx folder rather than by changing the process's current
    // folder, which other threads may rely on; an effect in a subfolder is found the same way.
    std::vector<BYTE> data;
    HRESULT hr = ReadEffectFile(folder + L"\\" + m_strFileName, data);
    if (FAILED(hr)) return hr;
    CComPtr<ID3DXBuffer> errors;   // the compiler's text is not shown for a transition
    hr = D3DXCreateEffect(m_pDevice, data.data(), static_cast<UINT>(data.size()), nullptr, nullptr, 0, nullptr,
                          &m_pEffect, &errors);
    if (FAILED(hr)) {
        m_pEffect.Detach();   // whatever a failed create left there is no reference of ours
        return hr;
    }

    D3DXHANDLE technique = nullptr;
    hr = m_pEffect->FindNextValidTechnique(nullptr, &technique);
    if (SUCCEEDED(hr) && !technique) hr = E_FAIL;
    if (SUCCEEDED(hr)) hr = m_pEffect->SetTechnique(technique);
    if (FAILED(hr)) {
        m_pEffect.Release();
        return hr;
    }

    // A transition may leave any of these out; each is set when declared.
    m_pEffect->SetInt("_field_x", m_initParams.nOutputWidth);
    m_pEffect->SetInt("_field_y", m_initParams.nOutputHeight);
    if (m_initParams.nTargetWidth > 0) m_pEffect->SetFloat("_line_x", 1.0f / m_initParams.nTargetWidth);
    if (m_initParams.nTargetHeight > 0) m_pEffect->SetFloat("_line_y", 1.0f / m_initParams.nTargetHeight);
    m_pEffect->SetMatrix("_mat_world", reinterpret_cast<const D3DXMATRIX*>(m_initParams.matWorld));
    m_pEffect->SetMatrix("_mat_vp", reinterpret_cast<const D3DXMATRIX*>(m_initParams.matViewProjection));
    return S_OK;
}

HRESULT CDXRenderEffect::CreateGeometry() { return S_OK; }

HRESULT CDXRenderEffect::ReadProperties() { return S_OK; }

void CDXRenderEffect::ReleaseGeometry() {}

void CDXRenderEffect::SetParameterValue(D3DXHANDLE parameter, float value)
{
    CAutoLock lock(&m_pendingLock);
    for (auto& p : m_pending)
        if (p.first == parameter) {
            p.second = value;
            return;
        }
    m_pending.emplace_back(parameter, value);
}

void CDXRenderEffect::ApplyPendingValues()
{
    std::vector<std::pair<D3DXHANDLE, float>> values;
    {
        CAutoLock lock(&m_pendingLock);
        values.swap(m_pending);
    }
    for (const auto& v : values) m_pEffect->SetFloat(v.first, v.second);
}

HRESULT CDXRenderEffect::Render(const EffectRenderParams* params)
{
    if (!params) return E_INVALIDARG;
    if (m_pEffect) {
        ApplyPendingValues();
        HRESULT hr = SetParameters(params);
        if (FAILED(hr)) return hr;
    }
    return Draw();
}

HRESULT CDXRenderEffect::SetParameters(const EffectRenderParams* params)
{
    if (!m_pDevice || !m_pEffect) return E_UNEXPECTED;
    if (!params) return E_INVALIDARG;
    for (size_t i = 0; i < params->textures.size(); ++i) {
        char name[16];
        wsprintfA(name, "_tex%d", static_cast<int>(i));
        // A transition that declares fewer textures simply does not see the others.
        D3DXHANDLE h = m_pEffect->GetParameterByName(nullptr, name);
        if (h) m_pEffect->SetTexture(h, params->textures[i]);
    }
    D3DXHANDLE progress = m_pEffect->GetParameterByName(nullptr, "_Progress");
    if (progress) m_pEffect->SetFloat(progress, params->fProgress);
    return S_OK;
}

HRESULT CDXRenderEffect::Draw()
{
    if (!m_pDevice || !m_pEffect) return E_UNEXPECTED;
    if (m_pVertexBuffer) m_pDevice->SetStreamSource(0, m_pVertexBuffer, 0, 36);
    UINT passes = 0;
    HRESULT hr = m_pEffect->Begin(&passes, 0);
    if (FAILED(hr)) return hr;
    for (UINT i = 0; i < passes; ++i) {
        HRESULT pass = m_pEffect->BeginPass(i);
        if (FAILED(pass)) {
            hr = pass;
            continue;
        }
        hr = m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        m_pEffect->EndPass();
    }
    m_pEffect->End();
    return hr;
}
