#include "CardApi.h"

#include <cstring>
#include <vector>
#include <windows.h>

#include "Board.h"
#include "CardRegisters.h"
#include "IicBus.h"
#include "PciBridgeDevice.h"
#include "SettingsMemory.h"
#include "VideoSettings.h"

namespace ovx {

static_assert(sizeof(unsigned long) == 4, "card pixels are 32-bit words");

namespace {

const uint32_t kPagePixels = 414720;
const int kMaxRectangleRows = 2304;  // four pages of 576 rows
const int kOverlayRows = 576;

void DefaultSink(const wchar_t* text)
{
    MessageBoxW(nullptr, text, L"Ovx500", MB_OK | MB_ICONERROR);
}

volatile MessageSink g_sink = DefaultSink;

uint8_t Round(double v, int lo, int hi)
{
    int i = int(v + 0.5);
    return uint8_t(i < lo ? lo : (i > hi ? hi : i));
}

}  // namespace

void SetMessageSink(MessageSink sink)
{
    g_sink = sink ? sink : DefaultSink;
}

YCbCr RgbToYCbCr(uint8_t r, uint8_t g, uint8_t b)
{
    YCbCr c;
    c.y = Round(16 + 0.257 * r + 0.504 * g + 0.098 * b, 16, 235);
    c.cb = Round(128 - 0.148 * r - 0.291 * g + 0.439 * b, 16, 240);
    c.cr = Round(128 + 0.439 * r - 0.368 * g - 0.071 * b, 16, 240);
    return c;
}

void PackYCbCr422(const uint32_t* rgb, int w, int h, uint32_t* out)
{
    if (!rgb || !out || w <= 0 || h <= 0)
        return;
    int words = (w + 1) / 2;
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = rgb + size_t(y) * w;
        for (int k = 0; k < words; ++k) {
            uint32_t p1 = row[2 * k];
            uint32_t p2 = (2 * k + 1 < w) ? row[2 * k + 1] : p1;
            YCbCr a = RgbToYCbCr(uint8_t(p1 >> 16), uint8_t(p1 >> 8), uint8_t(p1));
            YCbCr b = RgbToYCbCr(uint8_t(p2 >> 16), uint8_t(p2 >> 8), uint8_t(p2));
            out[size_t(y) * words + k] = uint32_t(a.cb) << 24 | uint32_t(a.y) << 16 | uint32_t(b.cr) << 8 | b.y;
        }
    }
}

CardApi::CardApi(Board& board, VideoSettings& settings, SettingsMemory& memory, CardRegisters& registers,
                 PciBridgeDevice& device, IicChip& decoder, IicChip& encoder0, IicChip& encoder1,
                 FlashProgrammer& flash)
    : board_(board),
      settings_(settings),
      memory_(memory),
      registers_(registers),
      device_(device),
      decoder_(decoder),
      encoder0_(encoder0),
      encoder1_(encoder1),
      flash_(flash)
{
}

uint32_t CardApi::RowsPerPage() const
{
    return settings_.standard576() ? 576 : 488;
}

int64_t CardApi::Locate(int x, int y, int64_t length) const
{
    if (x < 0 || y < 0 || length < 0 || !board_.frame())
        return -1;
    int64_t index = int64_t(settings_.displayBase()) + int64_t(y) * kRowPixels + x;
    if (index + length > int64_t(kFramePixels))
        return -1;
    return index;
}

int CardApi::GetPoint(int x, int y, unsigned long& pixel)
{
    int64_t i = x < int(kRowPixels) ? Locate(x, y, 1) : -1;
    if (i < 0)
        return 0;
    pixel = board_.frame()[i];
    return 1;
}

int CardApi::SetPoint(int x, int y, unsigned long pixel)
{
    int64_t i = x < int(kRowPixels) ? Locate(x, y, 1) : -1;
    if (i < 0)
        return 0;
    board_.frame()[i] = uint32_t(pixel);
    return 1;
}

int CardApi::GetRow(int y, unsigned long* pixels)
{
    return GetPartRow(0, y, kRowPixels, pixels);
}

int CardApi::SetRow(int y, const unsigned long* pixels)
{
    return SetPartRow(0, y, kRowPixels, pixels);
}

int CardApi::GetPartRow(int x, int y, int count, unsigned long* pixels)
{
    if (!pixels || x < 0 || x >= int(kRowPixels) || count < 0 || count > int(kRowPixels) - x)
        return 0;
    int64_t i = Locate(x, y, count);
    if (i < 0)
        return 0;
    std::memcpy(pixels, board_.frame() + i, size_t(count) * 4);
    return 1;
}

int CardApi::SetPartRow(int x, int y, int count, const unsigned long* pixels)
{
    if (!pixels || x < 0 || x >= int(kRowPixels) || count < 0 || count > int(kRowPixels) - x)
        return 0;
    int64_t i = Locate(x, y, count);
    if (i < 0)
        return 0;
    std::memcpy(board_.frame() + i, pixels, size_t(count) * 4);
    return 1;
}

int CardApi::GetColumn(int x, unsigned long* pixels)
{
    return GetPartColumn(x, 0, int(RowsPerPage()), pixels);
}

int CardApi::SetColumn(int x, const unsigned long* pixels)
{
    return SetPartColumn(x, 0, int(RowsPerPage()), pixels);
}

int CardApi::GetPartColumn(int x, int y, int count, unsigned long* pixels)
{
    if (!pixels || x < 0 || x >= int(kRowPixels) || y < 0 || count < 0 || y > kOverlayRows ||
        count > kOverlayRows - y)
        return 0;
    if (count == 0)
        return 1;
    int64_t first = Locate(x, y, 1);
    if (first < 0 || Locate(x, y + count - 1, 1) < 0)
        return 0;
    for (int r = 0; r < count; ++r)
        pixels[r] = board_.frame()[first + int64_t(r) * kRowPixels];
    return 1;
}

int CardApi::SetPartColumn(int x, int y, int count, const unsigned long* pixels)
{
    if (!pixels || x < 0 || x >= int(kRowPixels) || y < 0 || count < 0 || y > kOverlayRows ||
        count > kOverlayRows - y)
        return 0;
    if (count == 0)
        return 1;
    int64_t first = Locate(x, y, 1);
    if (first < 0 || Locate(x, y + count - 1, 1) < 0)
        return 0;
    for (int r = 0; r < count; ++r)
        board_.frame()[first + int64_t(r) * kRowPixels] = uint32_t(pixels[r]);
    return 1;
}

int CardApi::GetScreen(unsigned long* pixels, int page)
{
    if (!pixels || page < 0 || page > 3 || !board_.frame())
        return 0;
    int64_t start = int64_t(page) * kPagePixels + settings_.displayBase();
    int64_t length = int64_t(kRowPixels) * RowsPerPage();
    if (start + length > int64_t(kFramePixels))
        return 0;
    std::memcpy(pixels, board_.frame() + start, size_t(length) * 4);
    return 1;
}

int CardApi::SetScreen(const unsigned long* pixels, int page)
{
    if (!pixels || page < 0 || page > 3 || !board_.frame())
        return 0;
    int64_t start = int64_t(page) * kPagePixels + settings_.displayBase();
    int64_t length = int64_t(kRowPixels) * RowsPerPage();
    if (start + length > int64_t(kFramePixels))
        return 0;
    std::memcpy(board_.frame() + start, pixels, size_t(length) * 4);
    return 1;
}

int CardApi::GetRectangle(int x, int y, int w, int h, unsigned long* pixels)
{
    if (!pixels || x < 0 || y < 0 || w < 0 || h < 0 || x > int(kRowPixels) || w > int(kRowPixels) - x ||
        y > kMaxRectangleRows || h > kMaxRectangleRows - y)
        return 0;
    if (w == 0 || h == 0)
        return 1;
    int64_t first = Locate(x, y, w);
    if (first < 0 || Locate(x, y + h - 1, w) < 0)
        return 0;
    for (int r = 0; r < h; ++r)
        std::memcpy(pixels + size_t(r) * w, board_.frame() + first + int64_t(r) * kRowPixels, size_t(w) * 4);
    return 1;
}

int CardApi::SetRectangle(int x, int y, int w, int h, const unsigned long* pixels)
{
    // Counted from the frame start, without the display base: these are the rows the field
    // writer sends to the card.
    if (!pixels || x < 0 || y < 0 || w < 0 || h < 0 || x > int(kRowPixels) || w > int(kRowPixels) - x ||
        y > kOverlayRows || h > kOverlayRows - y || !board_.frame())
        return 0;
    for (int r = 0; r < h; ++r)
        std::memcpy(board_.frame() + size_t(y + r) * kRowPixels + x, pixels + size_t(r) * w, size_t(w) * 4);
    return 1;
}

int CardApi::SetVideoSample()
{
    registers_.PulseBit(reg::Control, ctl::SampleRequest);
    return 1;
}

int CardApi::GetIfVideoSampleDone(unsigned long& done)
{
    done = registers_.Read(reg::Status) & 1;
    return int(done);
}

int CardApi::GetVideoSampleData(unsigned long* pixels)
{
    return pixels ? board_.ReadVideoSample(pixels) : 0;
}

int CardApi::SetUserData(unsigned long address, unsigned char value)
{
    return memory_.WriteUserData(address, &value, 1) ? 1 : 0;
}

int CardApi::VerifyUserData(unsigned long address, unsigned long length, const unsigned char* data)
{
    return memory_.VerifyUserData(address, length, data);
}

int CardApi::RegisterTest()
{
    for (int round = 0; round < 10000; ++round) {
        registers_.Write(reg::Test, 0x55AA55AA);
        if (registers_.Read(reg::Test) != 0x55AA55AA)
            return 0;
        registers_.Write(reg::Test, 0xAA55AA55);
        if (registers_.Read(reg::Test) != 0xAA55AA55)
            return 0;
    }
    return 1;
}

int CardApi::MemoryTest()
{
    const uint32_t words = (1u << 20) / 4;
    std::vector<uint32_t> block(words);
    for (uint32_t p = 0; p < 8; ++p) {
        for (uint32_t i = 0; i < words; ++i)
            block[i] = p * 0x11100000u + i;
        if (!board_.DmaTransfer(1, block.data(), p << 20, 1u << 20, false))
            return 0;
    }
    for (uint32_t p = 0; p < 8; ++p) {
        for (uint32_t i = 0; i < words; ++i)
            block[i] = 0x55AA55AA;
        if (!board_.DmaTransfer(0, block.data(), p << 20, 1u << 20, true))
            return 0;
        for (uint32_t i = 0; i < words; ++i) {
            if (block[i] != p * 0x11100000u + i)
                return 0;
        }
    }
    return 1;
}

int CardApi::IicChipTest()
{
    // Brightness is the decoder register used: it has no effect beyond the picture, and it is
    // put back afterwards.
    const uint8_t testRegister = 0x0A;
    uint8_t saved = 0;
    bool ok = decoder_.Read(testRegister, saved);
    for (int round = 0; ok && round < 100; ++round) {
        for (uint8_t pattern : {uint8_t(0x55), uint8_t(0xAA)}) {
            uint8_t back = 0;
            if (!decoder_.Write(testRegister, pattern) || !decoder_.Read(testRegister, back) || back != pattern) {
                ok = false;
                break;
            }
        }
    }
    decoder_.Write(testRegister, saved);
    if (!ok) {
        g_sink(L"Video Decoder 0 IIC Test Error!");
        return 0;
    }
    return 1;  // the encoders are write-only: their test always passes
}

int CardApi::SettingsMemoryTest()
{
    // The caller's user data is kept and written back, whatever the result.
    uint8_t saved[mem::UserDataSize];
    if (!memory_.ReadUserData(0, saved, mem::UserDataSize))
        return 0;
    uint8_t pattern[mem::UserDataSize], back[mem::UserDataSize];
    bool ok = true;
    for (int pass = 0; pass < 2 && ok; ++pass) {
        for (unsigned i = 0; i < mem::UserDataSize; ++i)
            pattern[i] = pass == 0 ? uint8_t(i) : 0xFF;
        ok = memory_.WriteUserData(0, pattern, mem::UserDataSize) &&
             memory_.ReadUserData(0, back, mem::UserDataSize) && std::memcmp(pattern, back, sizeof back) == 0;
    }
    bool restored = memory_.WriteUserData(0, saved, mem::UserDataSize);
    return ok && restored ? 1 : 0;
}

int CardApi::WaitFieldInterrupt()
{
    if (device_.EnableInterrupt(IntLocalEnable) != PlxSuccess || device_.RegisterNotification(NotifySource::Local) != PlxSuccess)
        return 0;
    if (device_.WaitNotification(NotifySource::Local, 1000) != PlxSuccess)
        return 0;
    registers_.PulseBit(reg::Control, ctl::FieldAck);
    return 1;
}

int CardApi::SetRunBit(bool set)
{
    registers_.WriteBit(reg::Control, ctl::Run, set);
    return 1;
}

int CardApi::SetControl2Bit4(bool set)
{
    registers_.WriteBit(reg::Control2, 4, set);
    return 1;
}

int CardApi::SetInternalFlag(uint32_t flag)
{
    return settings_.SetInternalFlag(flag);
}

int CardApi::WriteBoardVersion(uint32_t version)
{
    return memory_.WriteBoardVersion(version) ? 1 : 0;
}

int CardApi::ReadBoardInformation(BoardInformation& info)
{
    return memory_.ReadBoardInformation(info) ? 1 : 0;
}

int CardApi::WriteBoardInformation(const BoardInformation& info)
{
    return memory_.WriteBoardInformation(info) ? 1 : 0;
}

int CardApi::ChipRegister(unsigned chip, uint8_t reg, uint8_t& value, bool write)
{
    IicChip* chips[3] = {&decoder_, &encoder0_, &encoder1_};
    if (chip > 2)
        return 0;
    return (write ? chips[chip]->Write(reg, value) : chips[chip]->Read(reg, value)) ? 1 : 0;
}

}  // namespace ovx
