// The output-side stand-ins a test registers while it runs: the colour space converter
// under its system class id, two Decklink renderers as devices of the video and audio
// renderer categories, a named sound card, and a default sound renderer registered with a
// merit and an audio input pin so that the graph's intelligent connect picks it (Wine's only
// audio renderer device, the DirectSound one, cannot be made without a sound device).
#pragma once

#include "testing/dv/StandInPins.h"
#include "testing/outputs/ColourConverter.h"
#include "testing/outputs/CountingRenderer.h"

namespace standin {

// {CC7BFB41-F175-11D1-A392-00E0291F3959}
extern const CLSID CLSID_VideoRendererDevices;

// {87B0BD58-D512-4A1B-A4CA-6ABAD09294C1}
extern const CLSID CLSID_StandInDecklinkVideo;
// {AAD9B801-DBFC-409E-82BA-2B13A5DB8558}
extern const CLSID CLSID_StandInDecklinkAudio;
// {D8596C04-A1E8-49BF-8CA9-8AAACD69B351}
extern const CLSID CLSID_StandInSoundCard;
// {3B002E25-E8C9-42E3-9648-D723A2B44A5D}
extern const CLSID CLSID_StandInDefaultSound;

// What each stand-in renderer class received.
CReceiveLog& DecklinkVideoLog();
CReceiveLog& DecklinkAudioLog();
CReceiveLog& SoundCardLog();
CReceiveLog& DefaultSoundLog();

class COutputStandIns
{
public:
    COutputStandIns();
    ~COutputStandIns();
    COutputStandIns(const COutputStandIns&) = delete;
    COutputStandIns& operator=(const COutputStandIns&) = delete;
    HRESULT Result() const { return hr_; }

    static const wchar_t* DecklinkVideoName() { return L"Decklink Video Render"; }
    static const wchar_t* DecklinkAudioName() { return L"Decklink Audio Render"; }
    static const wchar_t* SoundCardName() { return L"Stand-in Sound Card"; }
    static const wchar_t* DefaultSoundName() { return L"Stand-in Default Sound"; }

    // Empties every log.
    static void ResetLogs();

private:
    CClassRegistration colour_;
    CClassRegistration decklinkVideo_;
    CClassRegistration decklinkAudio_;
    CClassRegistration soundCard_;
    CClassRegistration defaultSound_;
    HRESULT hr_ = E_FAIL;
};

} // namespace standin
