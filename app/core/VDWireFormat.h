// The wire protocol between the frame server (CVDRender) and the virtual capture device
// (rvxvd). Both deliverables build from this one library, so it depends on nothing but
// Windows types.
//
// Every record is written and read field by field in little-endian byte order: the media
// type travels as the 72-byte image of a 32-bit AM_MEDIA_TYPE, which is larger in a 64-bit
// build, so no structure is ever copied onto the wire whole.
#pragma once

// Both ends include sockets after this header: Winsock 2 must come before windows.h.
#include <winsock2.h>
#include <windows.h>
#include <strmif.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#define VD_DEFAULT_PORT 8601

namespace vd {

// Client to server: exactly ten ASCII bytes, no terminator.
enum class VdCommand { SetupVideo, SetupAudio, Run, Pause, Unknown };

constexpr size_t kCommandSize = 10;

// The ten bytes of a command (not terminated); null for Unknown.
const char* CommandBytes(VdCommand cmd);
VdCommand ParseCommand(const char* bytes /* kCommandSize bytes */);

// Sizes and limits of the set-up reply (server to client).
constexpr size_t kLengthFieldSize = 4;
constexpr size_t kMediaTypeImageSize = 72;
constexpr uint32_t kMinReplyLength = 72;     // L, the bytes after the length field
constexpr uint32_t kMaxReplyLength = 65535;

// Sizes and limits of a sample (server to client): int32 N, int64 start, int64 stop, data.
constexpr size_t kSampleTimesSize = 16;
constexpr size_t kSampleHeaderSize = kLengthFieldSize + kSampleTimesSize;   // 20
constexpr uint32_t kMinSampleLength = 16;                                   // N
constexpr uint32_t kMaxSampleLength = 5242880;
// The most data one sample carries: a type whose samples are larger can never be received.
constexpr uint32_t kMaxSampleDataLength = kMaxSampleLength - kSampleTimesSize;

// Receive and send buffer sizes both sides ask for, so that a whole frame queues at once.
constexpr int kVideoSocketBuffer = 5242880;
constexpr int kAudioSocketBuffer = 512000;

// A media type as it travels: the fields of AM_MEDIA_TYPE that mean something to the
// receiver, and the format block. The two pointer fields of the image have no meaning on
// the other side and are not kept.
struct VdMediaType {
    GUID majortype{};
    GUID subtype{};
    int32_t bFixedSizeSamples = 0;
    int32_t bTemporalCompression = 0;
    uint32_t lSampleSize = 0;
    GUID formattype{};
    std::vector<uint8_t> format;
};

// A DirectShow media type and its wire form, both ways. ToAmMediaType fills `out` with a
// format block from CoTaskMemAlloc and no object pointer.
VdMediaType FromAmMediaType(const AM_MEDIA_TYPE& mt);
HRESULT ToAmMediaType(const VdMediaType& type, AM_MEDIA_TYPE* out);

// The whole set-up reply: length field, 72-byte image, format block.
std::vector<uint8_t> EncodeSetupReply(const VdMediaType& type);

// Checks the reply's length field: false when L is outside 72..65535.
bool DecodeReplyLength(const uint8_t* field /* 4 bytes */, uint32_t* length);

// Reads the L bytes after the length field. False when the image's format length does
// not fit in what follows the image, or its sample size is larger than a sample may carry
// (the receiver would allocate a buffer of that size before the first sample).
bool DecodeSetupReply(const uint8_t* body, size_t length, VdMediaType* type);

// The 20-byte header in front of a sample's bytes.
void EncodeSampleHeader(uint8_t* header /* 20 bytes */, size_t dataLength,
                        int64_t start, int64_t stop);

// Checks a sample's length field: false when N is outside 16..5242880.
bool DecodeSampleLength(const uint8_t* field /* 4 bytes */, uint32_t* length);
void DecodeSampleTimes(const uint8_t* times /* 16 bytes */, int64_t* start, int64_t* stop);

// Little-endian field access used by the records above and by their tests.
void PutU32(uint8_t* p, uint32_t v);
void PutU64(uint8_t* p, uint64_t v);
void PutGuid(uint8_t* p, const GUID& g);
uint32_t GetU32(const uint8_t* p);
uint64_t GetU64(const uint8_t* p);
GUID GetGuid(const uint8_t* p);

// The host file's line, "host:port". The host is the text before the first colon and the
// port the decimal number after it; a line without a colon is all host, and a port that is
// not a number in 1..65535 falls back to the default, so a damaged file still names a
// usable address.
struct VdHostAddress {
    std::string host = "127.0.0.1";
    uint16_t port = VD_DEFAULT_PORT;
};
VdHostAddress ParseHostLine(const std::string& text);

}  // namespace vd
