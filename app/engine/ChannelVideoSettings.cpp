#include "app/engine/ChannelVideoSettings.h"

#include <d3dx9.h>

#include <cwchar>

namespace {

const wchar_t kChannelPrefix[] = L"CHANNEL:";

void CopyValues(ChannelVideoSettings& to, const ChannelVideoSettings& from)
{
    to.bColorAdjust = from.bColorAdjust;
    to.fBrightness = from.fBrightness;
    to.fContrast = from.fContrast;
    to.fHue = from.fHue;
    to.fSaturation = from.fSaturation;
    to.bKey = from.bKey;
    to.strLoadedMatteSource = from.strLoadedMatteSource;
    to.strKeySource = from.strKeySource;
    to.fHueCenter = from.fHueCenter;
    to.fHueWidth = from.fHueWidth;
    to.fMinSaturation = from.fMinSaturation;
    for (int i = 0; i < 4; ++i) to.fRange[i] = from.fRange[i];
}

} // namespace

ChannelVideoSettings::ChannelVideoSettings(const ChannelVideoSettings& other)
{
    CopyValues(*this, other);
    pMatteTexture = other.pMatteTexture;
    if (pMatteTexture) pMatteTexture->AddRef();
    m_bMatteLoadFailed = other.m_bMatteLoadFailed;
}

ChannelVideoSettings& ChannelVideoSettings::operator=(const ChannelVideoSettings& other)
{
    if (this == &other) return *this;
    CopyValues(*this, other);
    if (other.pMatteTexture) other.pMatteTexture->AddRef();
    if (pMatteTexture) pMatteTexture->Release();
    pMatteTexture = other.pMatteTexture;
    m_bMatteLoadFailed = other.m_bMatteLoadFailed;
    return *this;
}

ChannelVideoSettings::~ChannelVideoSettings() { ReleaseMatte(); }

void ChannelVideoSettings::ReleaseMatte()
{
    if (pMatteTexture) pMatteTexture->Release();
    pMatteTexture = nullptr;
}

void ChannelVideoSettings::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << bColorAdjust << fBrightness << fContrast << fHue << fSaturation << bKey;
        ar << strLoadedMatteSource << strKeySource;
        ar << fHueCenter << fHueWidth << fMinSaturation;
        for (float r : fRange) ar << r;
        return;
    }
    // Read into a copy first, so that a short file leaves the record as it was.
    ChannelVideoSettings in;
    ar >> in.bColorAdjust >> in.fBrightness >> in.fContrast >> in.fHue >> in.fSaturation >> in.bKey;
    ar >> in.strLoadedMatteSource >> in.strKeySource;
    ar >> in.fHueCenter >> in.fHueWidth >> in.fMinSaturation;
    for (float& r : in.fRange) ar >> r;
    CopyValues(*this, in);
    ReleaseMatte();
    m_bMatteLoadFailed = false;
}

IDirect3DTexture9* ChannelVideoSettings::FindMatte(int inputCount, const ChannelTexture& channelTexture,
                                                   const MatteLoader& loader)
{
    const int at = strKeySource.Find(kChannelPrefix);
    if (at >= 0) {
        strLoadedMatteSource = strKeySource;
        int n = 0;
        if (swscanf(static_cast<LPCWSTR>(strKeySource) + at + wcslen(kChannelPrefix), L"%d", &n) != 1) return nullptr;
        if (n < 1 || n > inputCount || !channelTexture) return nullptr;
        return channelTexture(n - 1);
    }
    const bool changed = strKeySource != strLoadedMatteSource;
    if (changed || (!strKeySource.IsEmpty() && !pMatteTexture && !m_bMatteLoadFailed)) {
        ReleaseMatte();
        m_bMatteLoadFailed = false;
        strLoadedMatteSource = strKeySource;
        if (!strKeySource.IsEmpty() && loader) {
            IDirect3DTexture9* texture = nullptr;
            if (SUCCEEDED(loader(strKeySource, &texture)) && texture) pMatteTexture = texture;
            else m_bMatteLoadFailed = true;
        }
    }
    return pMatteTexture;
}

ChannelVideoSettings::MatteLoader DeviceMatteLoader(IDirect3DDevice9* device)
{
    return [device](LPCWSTR path, IDirect3DTexture9** texture) -> HRESULT {
        if (!device) return E_UNEXPECTED;
        return D3DXCreateTextureFromFileExW(device, path, D3DX_FROM_FILE, D3DX_FROM_FILE, 1, 0,
                                            D3DFMT_FROM_FILE, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                            nullptr, nullptr, texture);
    };
}
