#include "testing/outputs/OutputStandIns.h"

#include "testing/dv/DvStandIns.h"

namespace standin {

const CLSID CLSID_VideoRendererDevices = {0xCC7BFB41, 0xF175, 0x11D1, {0xA3, 0x92, 0x00, 0xE0, 0x29, 0x1F, 0x39, 0x59}};
const CLSID CLSID_StandInDecklinkVideo = {0x87B0BD58, 0xD512, 0x4A1B, {0xA4, 0xCA, 0x6A, 0xBA, 0xD0, 0x92, 0x94, 0xC1}};
const CLSID CLSID_StandInDecklinkAudio = {0xAAD9B801, 0xDBFC, 0x409E, {0x82, 0xBA, 0x2B, 0x13, 0xA5, 0xDB, 0x85, 0x58}};
const CLSID CLSID_StandInSoundCard = {0xD8596C04, 0xA1E8, 0x49BF, {0x8C, 0xA9, 0x8A, 0xAA, 0xCD, 0x69, 0xB3, 0x51}};
const CLSID CLSID_StandInDefaultSound = {0x3B002E25, 0xE8C9, 0x42E3, {0x96, 0x48, 0xD7, 0x23, 0xA2, 0xB4, 0x4A, 0x5D}};

CReceiveLog& DecklinkVideoLog()
{
    static CReceiveLog log;
    return log;
}

CReceiveLog& DecklinkAudioLog()
{
    static CReceiveLog log;
    return log;
}

CReceiveLog& SoundCardLog()
{
    static CReceiveLog log;
    return log;
}

CReceiveLog& DefaultSoundLog()
{
    static CReceiveLog log;
    return log;
}

namespace {

CClassRegistration::Create RendererOf(const CLSID& clsid, const GUID& major, LPCWSTR pin, CReceiveLog* log)
{
    return [clsid, major, pin, log](HRESULT* phr) { return CCountingRenderer::Create(phr, clsid, major, pin, log); };
}

// A renderer device the intelligent connect considers: an input pin for audio that is
// rendered, and a merit above the platform's own renderers.
HRESULT RegisterDefaultSound()
{
    CComPtr<IFilterMapper2> mapper;
    HRESULT hr = mapper.CoCreateInstance(CLSID_FilterMapper2);
    if (FAILED(hr))
        return hr;
    REGPINTYPES type = {&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM};
    REGFILTERPINS pin = {};
    pin.strName = const_cast<LPWSTR>(L"Audio Input");
    pin.bRendered = TRUE;
    pin.nMediaTypes = 1;
    pin.lpMediaType = &type;
    REGFILTER2 rf = {};
    rf.dwVersion = 1;
    rf.dwMerit = MERIT_PREFERRED + 0x100;
    rf.cPins = 1;
    rf.rgPins = &pin;
    const wchar_t* name = COutputStandIns::DefaultSoundName();
    return mapper->RegisterFilter(CLSID_StandInDefaultSound, name, nullptr, &CLSID_AudioRendererCategory, name, &rf);
}

} // namespace

COutputStandIns::COutputStandIns()
    : colour_(CLSID_Colour, &CStandInColourConverter::Create),
      decklinkVideo_(CLSID_StandInDecklinkVideo,
                     RendererOf(CLSID_StandInDecklinkVideo, MEDIATYPE_Video, L"Video In", &DecklinkVideoLog())),
      decklinkAudio_(CLSID_StandInDecklinkAudio,
                     RendererOf(CLSID_StandInDecklinkAudio, MEDIATYPE_Audio, L"Audio In", &DecklinkAudioLog())),
      soundCard_(CLSID_StandInSoundCard, RendererOf(CLSID_StandInSoundCard, MEDIATYPE_Audio, L"Audio Input",
                                                    &SoundCardLog())),
      defaultSound_(CLSID_StandInDefaultSound, RendererOf(CLSID_StandInDefaultSound, MEDIATYPE_Audio,
                                                          L"Audio Input", &DefaultSoundLog()))
{
    const HRESULT classes[] = {colour_.Result(), decklinkVideo_.Result(), decklinkAudio_.Result(),
                               soundCard_.Result(), defaultSound_.Result()};
    hr_ = S_OK;
    for (HRESULT r : classes)
        if (FAILED(r) && SUCCEEDED(hr_))
            hr_ = r;
    if (SUCCEEDED(hr_))
        hr_ = RegisterDevice(CLSID_VideoRendererDevices, CLSID_StandInDecklinkVideo, DecklinkVideoName(), nullptr);
    if (SUCCEEDED(hr_))
        hr_ = RegisterDevice(CLSID_AudioRendererCategory, CLSID_StandInDecklinkAudio, DecklinkAudioName(), nullptr);
    if (SUCCEEDED(hr_))
        hr_ = RegisterDevice(CLSID_AudioRendererCategory, CLSID_StandInSoundCard, SoundCardName(), nullptr);
    if (SUCCEEDED(hr_))
        hr_ = RegisterDefaultSound();
    ResetLogs();
}

COutputStandIns::~COutputStandIns()
{
    UnregisterDevice(CLSID_AudioRendererCategory, CLSID_StandInDefaultSound, DefaultSoundName());
    UnregisterDevice(CLSID_AudioRendererCategory, CLSID_StandInSoundCard, SoundCardName());
    UnregisterDevice(CLSID_AudioRendererCategory, CLSID_StandInDecklinkAudio, DecklinkAudioName());
    UnregisterDevice(CLSID_VideoRendererDevices, CLSID_StandInDecklinkVideo, DecklinkVideoName());
}

void COutputStandIns::ResetLogs()
{
    DecklinkVideoLog().Reset();
    DecklinkAudioLog().Reset();
    SoundCardLog().Reset();
    DefaultSoundLog().Reset();
    CStandInColourConverter::ResetConverted();
}

} // namespace standin
