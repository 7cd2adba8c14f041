// The per-card API object: what the exports of one open card reach. Pixel operations work on
// this process's view of the shared overlay frame and never touch memory outside it; the
// internal operations (diagnostics, flash programming, colour conversion) are reached only by
// code linked with the library, never by an export.
#ifndef OVX500U_CARDAPI_H
#define OVX500U_CARDAPI_H

#include <cstdint>

namespace ovx {

class Board;
class CardRegisters;
class PciBridgeDevice;
struct BoardInformation;
class FlashProgrammer;
class IicChip;
class SettingsMemory;
class VideoSettings;

struct YCbCr {
    uint8_t y, cb, cr;
};

// BT.601 studio range, each value rounded by adding 0.5 and truncating.
YCbCr RgbToYCbCr(uint8_t r, uint8_t g, uint8_t b);
// 32-bit RGB pixels (w per row) into 4:2:2 words, (w + 1) / 2 per row, most significant byte
// first: Cb and Y of the first pixel, Cr and Y of the second. An odd row's last pixel pairs
// with itself rather than with whatever lies beyond the row.
void PackYCbCr422(const uint32_t* rgb, int w, int h, uint32_t* out);

// Replaceable sink for the messages the diagnostics show (a message box by default).
typedef void (*MessageSink)(const wchar_t* text);
void SetMessageSink(MessageSink sink);

class CardApi {
public:
    CardApi(Board& board, VideoSettings& settings, SettingsMemory& memory, CardRegisters& registers,
            PciBridgeDevice& device, IicChip& decoder, IicChip& encoder0, IicChip& encoder1, FlashProgrammer& flash);

    int GetPoint(int x, int y, unsigned long& pixel);
    int SetPoint(int x, int y, unsigned long pixel);
    int GetRow(int y, unsigned long* pixels);
    int SetRow(int y, const unsigned long* pixels);
    int GetPartRow(int x, int y, int count, unsigned long* pixels);
    int SetPartRow(int x, int y, int count, const unsigned long* pixels);
    int GetColumn(int x, unsigned long* pixels);
    int SetColumn(int x, const unsigned long* pixels);
    int GetPartColumn(int x, int y, int count, unsigned long* pixels);
    int SetPartColumn(int x, int y, int count, const unsigned long* pixels);
    int GetScreen(unsigned long* pixels, int page);
    int SetScreen(const unsigned long* pixels, int page);
    int GetRectangle(int x, int y, int w, int h, unsigned long* pixels);
    int SetRectangle(int x, int y, int w, int h, const unsigned long* pixels);

    int SetVideoSample();
    int GetIfVideoSampleDone(unsigned long& done);
    int GetVideoSampleData(unsigned long* pixels);

    int SetUserData(unsigned long address, unsigned char value);
    int VerifyUserData(unsigned long address, unsigned long length, const unsigned char* data);

    // Diagnostics: 1 pass, 0 fail.
    int RegisterTest();
    int MemoryTest();
    int IicChipTest();
    int SettingsMemoryTest();
    FlashProgrammer& flash() { return flash_; }

    // Maintenance operations.
    // Waits up to 1,000 ms for one field interrupt and acknowledges it (for use while no
    // field event is registered, so the interrupt thread is not the one listening).
    int WaitFieldInterrupt();
    int SetRunBit(bool set);
    int SetControl2Bit4(bool set);
    int SetInternalFlag(uint32_t flag);
    int WriteBoardVersion(uint32_t version);
    int ReadBoardInformation(BoardInformation& info);
    int WriteBoardInformation(const BoardInformation& info);
    // One register of a chip: 0 the decoder, 1 and 2 the encoders (read from their shadows).
    int ChipRegister(unsigned chip, uint8_t reg, uint8_t& value, bool write);

private:
    uint32_t RowsPerPage() const;
    // Index of (x, y) after the display base, or -1 when [index, index + length) leaves the frame.
    int64_t Locate(int x, int y, int64_t length) const;

    Board& board_;
    VideoSettings& settings_;
    SettingsMemory& memory_;
    CardRegisters& registers_;
    PciBridgeDevice& device_;
    IicChip& decoder_;
    IicChip& encoder0_;
    IicChip& encoder1_;
    FlashProgrammer& flash_;
};

}  // namespace ovx

#endif
