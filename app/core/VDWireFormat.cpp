#include "app/core/VDWireFormat.h"

#include <amvideo.h>
#include <mmreg.h>

#include <cstdlib>
#include <cstring>

namespace vd {

// The wire image is the 32-bit AM_MEDIA_TYPE; a 64-bit build's is larger, which is why the
// image is written field by field. The format blocks hold no pointers and match on both.
#ifndef _WIN64
static_assert(sizeof(AM_MEDIA_TYPE) == kMediaTypeImageSize, "the 32-bit media type is the wire image");
#endif
static_assert(sizeof(VIDEOINFOHEADER) == 88, "VIDEOINFOHEADER travels as 88 bytes");
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX travels as 18 bytes");
namespace {

const char kSetupVideo[] = "setupvideo";
const char kSetupAudio[] = "setupaudio";
const char kRun[] = "run=======";
const char kPause[] = "pause=====";

static_assert(sizeof(kSetupVideo) == kCommandSize + 1, "commands are ten bytes");
static_assert(sizeof(kSetupAudio) == kCommandSize + 1, "commands are ten bytes");
static_assert(sizeof(kRun) == kCommandSize + 1, "commands are ten bytes");
static_assert(sizeof(kPause) == kCommandSize + 1, "commands are ten bytes");

// Offsets inside the 72-byte image of a 32-bit AM_MEDIA_TYPE.
constexpr size_t kOffMajor = 0;
constexpr size_t kOffSub = 16;
constexpr size_t kOffFixed = 32;
constexpr size_t kOffTemporal = 36;
constexpr size_t kOffSampleSize = 40;
constexpr size_t kOffFormatType = 44;
constexpr size_t kOffUnk = 60;
constexpr size_t kOffCbFormat = 64;
constexpr size_t kOffPbFormat = 68;
static_assert(kOffPbFormat + 4 == kMediaTypeImageSize, "the image is 72 bytes");

// The host file's fields are read into fixed buffers of this many characters.
constexpr size_t kMaxHostField = 1023;

}  // namespace

const char* CommandBytes(VdCommand cmd)
{
    switch (cmd) {
    case VdCommand::SetupVideo: return kSetupVideo;
    case VdCommand::SetupAudio: return kSetupAudio;
    case VdCommand::Run: return kRun;
    case VdCommand::Pause: return kPause;
    default: return nullptr;
    }
}

VdCommand ParseCommand(const char* bytes)
{
    if (std::memcmp(bytes, kSetupVideo, kCommandSize) == 0) return VdCommand::SetupVideo;
    if (std::memcmp(bytes, kSetupAudio, kCommandSize) == 0) return VdCommand::SetupAudio;
    if (std::memcmp(bytes, kRun, kCommandSize) == 0) return VdCommand::Run;
    if (std::memcmp(bytes, kPause, kCommandSize) == 0) return VdCommand::Pause;
    return VdCommand::Unknown;
}

void PutU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutU64(uint8_t* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutGuid(uint8_t* p, const GUID& g)
{
    PutU32(p, g.Data1);
    p[4] = static_cast<uint8_t>(g.Data2);
    p[5] = static_cast<uint8_t>(g.Data2 >> 8);
    p[6] = static_cast<uint8_t>(g.Data3);
    p[7] = static_cast<uint8_t>(g.Data3 >> 8);
    std::memcpy(p + 8, g.Data4, 8);
}

uint32_t GetU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t GetU64(const uint8_t* p)
{
    return uint64_t(GetU32(p)) | uint64_t(GetU32(p + 4)) << 32;
}

GUID GetGuid(const uint8_t* p)
{
    GUID g;
    g.Data1 = GetU32(p);
    g.Data2 = static_cast<unsigned short>(p[4] | p[5] << 8);
    g.Data3 = static_cast<unsigned short>(p[6] | p[7] << 8);
    std::memcpy(g.Data4, p + 8, 8);
    return g;
}

std::vector<uint8_t> EncodeSetupReply(const VdMediaType& type)
{
    const size_t cbFormat = type.format.size();
    std::vector<uint8_t> out(kLengthFieldSize + kMediaTypeImageSize + cbFormat, 0);
    PutU32(&out[0], static_cast<uint32_t>(kMediaTypeImageSize + cbFormat));
    uint8_t* image = &out[kLengthFieldSize];
    PutGuid(image + kOffMajor, type.majortype);
    PutGuid(image + kOffSub, type.subtype);
    PutU32(image + kOffFixed, static_cast<uint32_t>(type.bFixedSizeSamples));
    PutU32(image + kOffTemporal, static_cast<uint32_t>(type.bTemporalCompression));
    PutU32(image + kOffSampleSize, type.lSampleSize);
    PutGuid(image + kOffFormatType, type.formattype);
    // The receiver ignores the two pointer fields; zero keeps the server's addresses private.
    PutU32(image + kOffUnk, 0);
    PutU32(image + kOffCbFormat, static_cast<uint32_t>(cbFormat));
    PutU32(image + kOffPbFormat, 0);
    if (cbFormat)
        std::memcpy(image + kMediaTypeImageSize, type.format.data(), cbFormat);
    return out;
}

bool DecodeReplyLength(const uint8_t* field, uint32_t* length)
{
    const uint32_t l = GetU32(field);
    *length = l;
    return l >= kMinReplyLength && l <= kMaxReplyLength;
}

bool DecodeSetupReply(const uint8_t* body, size_t length, VdMediaType* type)
{
    if (length < kMediaTypeImageSize)
        return false;
    const uint32_t cbFormat = GetU32(body + kOffCbFormat);
    if (cbFormat > length - kMediaTypeImageSize || GetU32(body + kOffSampleSize) > kMaxSampleDataLength)
        return false;
    type->majortype = GetGuid(body + kOffMajor);
    type->subtype = GetGuid(body + kOffSub);
    type->bFixedSizeSamples = static_cast<int32_t>(GetU32(body + kOffFixed));
    type->bTemporalCompression = static_cast<int32_t>(GetU32(body + kOffTemporal));
    type->lSampleSize = GetU32(body + kOffSampleSize);
    type->formattype = GetGuid(body + kOffFormatType);
    type->format.assign(body + kMediaTypeImageSize, body + kMediaTypeImageSize + cbFormat);
    return true;
}

void EncodeSampleHeader(uint8_t* header, size_t dataLength, int64_t start, int64_t stop)
{
    PutU32(header, static_cast<uint32_t>(kSampleTimesSize + dataLength));
    PutU64(header + 4, static_cast<uint64_t>(start));
    PutU64(header + 12, static_cast<uint64_t>(stop));
}

bool DecodeSampleLength(const uint8_t* field, uint32_t* length)
{
    const uint32_t n = GetU32(field);
    *length = n;
    return n >= kMinSampleLength && n <= kMaxSampleLength;
}

void DecodeSampleTimes(const uint8_t* times, int64_t* start, int64_t* stop)
{
    *start = static_cast<int64_t>(GetU64(times));
    *stop = static_cast<int64_t>(GetU64(times + 8));
}

VdHostAddress ParseHostLine(const std::string& text)
{
    VdHostAddress addr;
    std::string line = text.substr(0, text.find_first_of("\r\n"));
    const size_t colon = line.find(':');
    std::string host = line.substr(0, colon);
    if (host.size() > kMaxHostField)
        host.resize(kMaxHostField);
    if (!host.empty())
        addr.host = host;
    if (colon != std::string::npos) {
        std::string portText = line.substr(colon + 1);
        if (portText.size() > kMaxHostField)
            portText.resize(kMaxHostField);
        const long port = std::strtol(portText.c_str(), nullptr, 10);
        if (port >= 1 && port <= 65535)
            addr.port = static_cast<uint16_t>(port);
    }
    return addr;
}

HRESULT ToAmMediaType(const VdMediaType& type, AM_MEDIA_TYPE* out)
{
    std::memset(out, 0, sizeof(*out));
    out->majortype = type.majortype;
    out->subtype = type.subtype;
    out->bFixedSizeSamples = type.bFixedSizeSamples;
    out->bTemporalCompression = type.bTemporalCompression;
    out->lSampleSize = type.lSampleSize;
    out->formattype = type.formattype;
    if (!type.format.empty()) {
        out->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type.format.size()));
        if (!out->pbFormat)
            return E_OUTOFMEMORY;
        std::memcpy(out->pbFormat, type.format.data(), type.format.size());
        out->cbFormat = static_cast<ULONG>(type.format.size());
    }
    return S_OK;
}

VdMediaType FromAmMediaType(const AM_MEDIA_TYPE& mt)
{
    VdMediaType t;
    t.majortype = mt.majortype;
    t.subtype = mt.subtype;
    t.bFixedSizeSamples = mt.bFixedSizeSamples;
    t.bTemporalCompression = mt.bTemporalCompression;
    t.lSampleSize = mt.lSampleSize;
    t.formattype = mt.formattype;
    if (mt.pbFormat && mt.cbFormat)
        t.format.assign(mt.pbFormat, mt.pbFormat + mt.cbFormat);
    return t;
}

}  // namespace vd
