// The keying and colour-adjustment settings of one mixer input, applied by the render
// engine to every frame of the channel and kept in the project file.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <afx.h>

#include <functional>

struct ChannelVideoSettings {
    ChannelVideoSettings() = default;
    // Copies share the matte texture, each holding its own reference on it.
    ChannelVideoSettings(const ChannelVideoSettings& other);
    ChannelVideoSettings& operator=(const ChannelVideoSettings& other);
    ~ChannelVideoSettings();

    int bColorAdjust = 0;            // runs pass 3 of _PreProcess
    float fBrightness = 0.0f;
    float fContrast = 1.0f;
    float fHue = 0.0f;               // degrees
    float fSaturation = 1.0f;
    int bKey = 0;                    // runs passes 1 and 2 of _PreProcess
    CString strLoadedMatteSource;    // the key source the matte texture was last loaded for
    CString strKeySource;            // a picture path, or "CHANNEL:" and a channel number
    IDirect3DTexture9* pMatteTexture = nullptr;   // never stored
    float fHueCenter = 0.33f;
    float fHueWidth = 0.1f;
    float fMinSaturation = 0.2f;
    float fRange[4] = {0.0f, 1.0f, 0.0f, 1.0f};

    float MinHue() const { return fHueCenter - fHueWidth; }
    float MaxHue() const { return fHueCenter + fHueWidth; }

    // The project file's piece, in its stored order; the matte is reloaded after loading.
    void Serialize(CArchive& ar);

    // Loads a picture as a matte texture (tests replace the D3DX loader).
    using MatteLoader = std::function<HRESULT(LPCWSTR path, IDirect3DTexture9** texture)>;
    // The channel texture of input `index` (0-based), or null when that input has no channel.
    using ChannelTexture = std::function<IDirect3DTexture9*(int index)>;

    // The matte for this frame of a channel whose key is on, loading or reloading the
    // picture as the key source asks; null means the key step is skipped. The result is
    // not add-ref'd: a channel's texture belongs to its channel, a loaded one to this record.
    IDirect3DTexture9* FindMatte(int inputCount, const ChannelTexture& channelTexture, const MatteLoader& loader);

    void ReleaseMatte();

private:
    // A picture that failed to load is not tried again on every frame (each try opens and
    // decodes the file on the renderer's thread); it is tried again when the key source changes.
    bool m_bMatteLoadFailed = false;
};

// The matte loader the render engine uses: D3DXCreateTextureFromFileExW with the size and
// format of the file, one level, managed pool.
ChannelVideoSettings::MatteLoader DeviceMatteLoader(IDirect3DDevice9* device);
