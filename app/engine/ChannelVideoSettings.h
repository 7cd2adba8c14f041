// PLACEHOLDER until the effects branch lands.
#pragma once

#include <d3d9.h>
#include <string>

struct ChannelVideoSettings
{
    int colorAdjust = 0;
    float brightness = 0.0f;
    float contrast = 1.0f;
    float hue = 0.0f;
    float saturation = 1.0f;
    int keyOn = 0;
    std::wstring loadedMatteSource;
    std::wstring keySource;
    IDirect3DTexture9* matteTexture = nullptr;
    bool matteLoadTried = false; // transient: a failed load is retried only for a new source
    float hueCentre = 0.33f;
    float hueWidth = 0.1f;
    float minSaturation = 0.2f;
    float range[4] = {0.0f, 1.0f, 0.0f, 1.0f};
};
