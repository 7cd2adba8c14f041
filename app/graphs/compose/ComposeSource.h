// The source filter at the start of every output graph: a "Video" pin fed with program
// frames and an "Audio" pin fed with the mixed program audio, each delivering from its own
// streaming thread.
#pragma once

#include "app/core/GraphContracts.h"
#include "app/graphs/compose/ComposeOutputPins.h"

#include <streams.h>

// {005D7E14-E871-43EF-9729-BC17D00A2F5A}
extern const CLSID CLSID_ComposeSource;

class CComposeSource : public CSource, public IComposeSource
{
public:
    // Made with one reference for the caller.
    static CComposeSource* CreateInstance(HRESULT* phr);

    // Pin 0 (video) or 1 (audio) offers a copy of the type, and only it.
    HRESULT SetPinMediaType(int index, const AM_MEDIA_TYPE* type) override;
    // Both pins start queuing what they are given.
    void ActivatePins() override;
    IVideoListener* GetVideoListener() override { return video_; }
    IGrabListener* GetAudioListener() override { return audio_; }
    HRESULT SetAllocatorRequest(int index, long buffers, long bufferSize, long alignment, long prefix);

    CCSVideoOutputPin* VideoPin() const { return video_; }
    CCSAudioOutputPin* AudioPin() const { return audio_; }

private:
    explicit CComposeSource(HRESULT* phr);

    CCSBaseOutputPin* Pin(int index) const;

    // Owned by the filter's pin list; deleted with it.
    CCSVideoOutputPin* video_ = nullptr;
    CCSAudioOutputPin* audio_ = nullptr;
};
