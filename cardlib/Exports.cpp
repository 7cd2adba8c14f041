// The exported card API. Every export that takes a card index looks the card up in the
// process's table and answers 0 (or does nothing) when the card is not open.
#include "ovx500u.h"

#include <cstdint>

#include "CardHolder.h"

using ovx::CardHolder;
using ovx::CardTable;

namespace {

typedef std::shared_ptr<CardHolder> Holder;

template <typename Get>
int GetSetting(unsigned long& out, unsigned card, Get get)
{
    Holder h = CardTable::Find(card);
    if (!h)
        return 0;
    uint32_t v = 0;
    if (!(h->settings.*get)(v))
        return 0;
    out = v;
    return 1;
}

template <typename Set>
int SetSetting(unsigned long value, unsigned card, Set set)
{
    Holder h = CardTable::Find(card);
    return h ? (h->settings.*set)(uint32_t(value)) : 0;
}

}  // namespace

#define OVCG_CARD_OR(card, failure)         \
    Holder h = CardTable::Find(card);       \
    if (!h)                                 \
        return failure

int OVCG_GetCardNum(void)
{
    return ovx::PciBridgeDevice::CountCards();
}

int OVCG_Initial(unsigned int card, int mode)
{
    return CardTable::Open(card, mode);
}

int OVCG_Close(unsigned int card)
{
    return CardTable::Close(card);
}

void OVCG_RestoreDefault(unsigned int card)
{
    OVCG_CARD_OR(card, );
    h->settings.RestoreDefault();
}

int OVCG_GetSdkVersion(unsigned int* version)
{
    if (version)
        *version = 0x40000;
    return 1;
}

int OVCG_GetBoardVersion(unsigned int* version, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    uint32_t v = 0;
    if (!version || !h->memory.ReadBoardVersion(v))
        return 0;
    *version = v == 0xFFFFFFFF ? h->board.boardVersion() : v;
    return 1;
}

int OVCG_GetFPGAVersion(unsigned int* version, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    if (!version)
        return 0;
    *version = h->registers.Read(ovx::reg::FpgaVersion);
    return 1;
}

int OVCG_GetDriverVersion(unsigned int* version, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    uint32_t v = 0;
    if (!version || h->device.DriverVersion(v) != ovx::PlxSuccess)
        return 0;
    *version = (((v >> 16) & 0xFF) * 256 + ((v >> 8) & 0xFF)) * 256 + (v & 0xFF);
    return 1;
}

int OVCG_GetCardTypeNo(unsigned long& type, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    type = h->registers.Read(ovx::reg::CardType);
    return 1;
}

int OVCG_GetMemAddress(void*& address, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    address = h->board.frame();
    return 1;
}

int OVCG_InitialEvent(const unsigned short* name, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->board.RegisterFieldEvent(reinterpret_cast<const wchar_t*>(name));
}

void* OVCG_GetEvent(const unsigned short* name, unsigned int card)
{
    OVCG_CARD_OR(card, nullptr);
    if (!name)
        return nullptr;
    return OpenEventW(EVENT_ALL_ACCESS, FALSE, reinterpret_cast<const wchar_t*>(name));
}

void* OVCG_InitialEventEx(const unsigned short* name, unsigned int card)
{
    return OVCG_GetEvent(name, card);
}

void OVCG_CloseEvent(const unsigned short* name, unsigned int card)
{
    OVCG_CARD_OR(card, );
    h->board.UnregisterFieldEvent(reinterpret_cast<const wchar_t*>(name));
}

void OVCG_CloseEventEx(void*, unsigned int) {}

void OVCG_CloseAllEvent(unsigned int) {}

int OVCG_GetFieldNo(unsigned long& field, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    field = h->registers.Read(ovx::reg::FieldNumber);
    return 1;
}

using ovx::VideoSettings;

int OVCG_GetVideoMode(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetVideoMode); }
int OVCG_SetVideoMode(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetVideoMode); }

int OVCG_GetInnerOrExtraSync(unsigned long& internal, unsigned int card)
{
    unsigned long code = 0;
    if (!GetSetting(code, card, &VideoSettings::GetSync))
        return 0;
    internal = code == ovx::kSyncExternal ? 0 : 1;
    return 1;
}

int OVCG_SetInnerOrExtraSync(unsigned long internal, unsigned int card)
{
    return SetSetting(internal ? 0 : ovx::kSyncExternal, card, &VideoSettings::SetSync);
}

int OVCG_GetVideoInputStatus(unsigned long& status, unsigned int card)
{
    return GetSetting(status, card, &VideoSettings::GetVideoInputStatus);
}

int OVCG_GetCmpsOrSvideo(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetInput); }
int OVCG_SetCmpsOrSvideo(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetInput); }

int OVCG_GetVideoBlackLevel(unsigned long&, unsigned int card)
{
    return CardTable::Find(card) ? 1 : 0;
}

int OVCG_SetVideoBlackLevel(unsigned long, unsigned int card)
{
    return CardTable::Find(card) ? 1 : 0;
}

int OVCG_GetTVORVTR(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetTvOrVtr); }
int OVCG_SetTVORVTR(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetTvOrVtr); }
int OVCG_GetSubcarrierPhase(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetSubcarrierPhase); }
int OVCG_SetSubcarrierPhase(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetSubcarrierPhase); }
int OVCG_GetLinePhase(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetLinePhase); }
int OVCG_SetLinePhase(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetLinePhase); }
int OVCG_GetFieldPhase(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetFieldPhase); }
int OVCG_SetFieldPhase(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetFieldPhase); }
int OVCG_GetKeyDelay(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetKeyDelay); }
int OVCG_SetKeyDelay(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetKeyDelay); }
int OVCG_GetKeyOutputMode(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetKeyOutputMode); }
int OVCG_SetKeyOutputMode(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetKeyOutputMode); }
int OVCG_GetContrast(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetContrast); }
int OVCG_SetContrast(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetContrast); }
int OVCG_GetLight(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetLight); }
int OVCG_SetLight(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetLight); }
int OVCG_GetHue(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetHue); }
int OVCG_SetHue(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetHue); }
int OVCG_GetSatuation(unsigned long& v, unsigned int card) { return GetSetting(v, card, &VideoSettings::GetSatuation); }
int OVCG_SetSatuation(unsigned long v, unsigned int card) { return SetSetting(v, card, &VideoSettings::SetSatuation); }

int OVCG_SetVideoBypass(unsigned long mode, unsigned int card) { return SetSetting(mode, card, &VideoSettings::SetBypass); }
int OVCG_GetVideoBypass(unsigned long& mode, unsigned int card) { return GetSetting(mode, card, &VideoSettings::GetBypass); }
int OVCG_SetKeyOrPreviewOutput(unsigned long mode, unsigned int card) { return SetSetting(mode, card, &VideoSettings::SetKeyOrPreview); }
int OVCG_GetKeyOrPreviewOutput(unsigned long& mode, unsigned int card) { return GetSetting(mode, card, &VideoSettings::GetKeyOrPreview); }
int OVCG_SetVideoBase(unsigned long base, unsigned int card) { return SetSetting(base, card, &VideoSettings::SetVideoBase); }
int OVCG_GetVideoBase(unsigned long& base, unsigned int card) { return GetSetting(base, card, &VideoSettings::GetVideoBase); }

int OVCG_GetPoint(int x, int y, unsigned long& pixel, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.GetPoint(x, y, pixel);
}

int OVCG_SetPoint(int x, int y, unsigned long pixel, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.SetPoint(x, y, pixel);
}

int OVCG_GetRow(int y, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.GetRow(y, pixels);
}

int OVCG_SetRow(int y, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.SetRow(y, pixels);
}

int OVCG_GetPartRow(int x, int y, int count, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.GetPartRow(x, y, count, pixels);
}

int OVCG_SetPartRow(int x, int y, int count, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.SetPartRow(x, y, count, pixels);
}

int OVCG_GetColumn(int x, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.GetColumn(x, pixels);
}

int OVCG_SetColumn(int x, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.SetColumn(x, pixels);
}

int OVCG_GetPartColumn(int x, int y, int count, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.GetPartColumn(x, y, count, pixels);
}

int OVCG_SetPartColumn(int x, int y, int count, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.SetPartColumn(x, y, count, pixels);
}

int OVCG_GetScreen(unsigned long* pixels, int page, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.GetScreen(pixels, page);
}

int OVCG_SetScreen(unsigned long* pixels, int page, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.SetScreen(pixels, page);
}

int OVCG_GetRectangle(int x, int y, int w, int h_, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.GetRectangle(x, y, w, h_, pixels);
}

int OVCG_SetRectangle(int x, int y, int w, int h_, unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.SetRectangle(x, y, w, h_, pixels);
}

int OVCG_SetArea(int x, int y, int w, int h_, unsigned long* pixels, unsigned int card)
{
    return OVCG_SetRectangle(x, y, w, h_, pixels, card);
}

int OVCG_ClearCurrentScreen(unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->board.ClearScreen();
}

int OVCG_SetVideoSample(unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.SetVideoSample();
}

int OVCG_GetIfVideoSampleDone(unsigned long& done, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.GetIfVideoSampleDone(done);
}

int OVCG_GetVideoSampleData(unsigned long* pixels, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.GetVideoSampleData(pixels);
}

int OVCG_SetUserData(unsigned long address, unsigned char value, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.SetUserData(address, value);
}

int OVCG_VerifyUserData(unsigned long address, unsigned long length, unsigned char* data, unsigned int card)
{
    OVCG_CARD_OR(card, 0);
    return h->api.VerifyUserData(address, length, data);
}

int OVCG_GetExtSignalCkPhase(unsigned int&, unsigned int) { return 1; }
int OVCG_SetExtSignalCkPhase(unsigned int, unsigned int) { return 1; }
int OVCG_GetExtSignalHWidth(unsigned int, int&, unsigned int) { return 1; }
int OVCG_SetExtSignalHWidth(unsigned int, int, unsigned int) { return 1; }
int OVCG_GetExtSignalPolarity(unsigned char, unsigned int&, unsigned int) { return 1; }
int OVCG_SetExtSignalPolarity(unsigned char, unsigned int, unsigned int) { return 1; }

void OVCG_memcpy(unsigned long* dst, unsigned long* src, unsigned long count)
{
    if (!dst || !src)
        return;
    unsigned long i = 0;
    for (; i + 1 < count; i += 2) {
        dst[i] = src[i];
        dst[i + 1] = src[i + 1];
    }
    if (i < count)
        dst[i] = src[i];  // an odd count's last word too
}

void OVCG_memcpyEx(unsigned long* dst, unsigned long* src, unsigned long count)
{
    OVCG_memcpy(dst, src, count);
}

void OVCG_memset(unsigned long* dst, unsigned long value, unsigned long count)
{
    if (!dst)
        return;
    unsigned long i = 0;
    for (; i + 1 < count; i += 2) {
        dst[i] = value;
        dst[i + 1] = value;
    }
    if (i < count)
        dst[i] = value;
}
