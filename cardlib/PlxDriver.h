// The PCI bridge service driver's request interface as this library speaks it: request
// codes, the one 120-byte parameter block and its word layout, and the status codes.
// Whatever stands behind the device file (the vendor's kernel driver, or the simulated card
// of the tests) answers in this layout.
#ifndef OVX500U_PLXDRIVER_H
#define OVX500U_PLXDRIVER_H

#include <cstdint>

namespace ovx {

enum PlxStatus : uint32_t {
    PlxSuccess = 512,
    PlxFailed = 513,
    PlxNullParam = 514,
    PlxNoDriver = 516,
    PlxInvalidObject = 518,
    PlxBadVersion = 519,
    PlxInvalidAddress = 523,
    PlxInvalidBar = 525,
    PlxInvalidHandle = 528,
    PlxNoResources = 531,
    PlxWaitTimeout = 532,
    PlxWaitAbandoned = 533,
    PlxBadDmaChannel = 535,
    PlxDmaChannelBusy = 538,  // answered by close-DMA; the library resets the device and retries once
};

enum PlxRequest : uint32_t {
    IoDriverVersion = 0x222000,
    IoResetDevice = 0x222014,
    IoFindDevice = 0x222018,
    IoMapBar = 0x222020,
    IoUnmapBar = 0x222024,
    IoPciRead = 0x222038,
    IoPciWrite = 0x22203C,
    IoLocalBlockRead = 0x222064,
    IoLocalBlockWrite = 0x222068,
    IoQuery = 0x222074,
    IoRegisterRead = 0x222088,
    IoRegisterWrite = 0x22208C,
    IoInterruptEnable = 0x2220A0,
    IoInterruptDisable = 0x2220A4,
    IoNotifyRegister = 0x2220AC,
    IoNotifyCancel = 0x2220B0,
    IoDmaOpen = 0x2220C4,
    IoDmaTransfer = 0x2220CC,
    IoDmaClose = 0x2220D0,
};

// Interrupt descriptor, first byte (the descriptor is 12 bytes, the rest zero).
enum PlxInterrupt : uint32_t {
    IntLocalEnable = 5,
    IntLocal2Enable = 9,
    IntLocal = 4,      // disable / notification of the field interrupt
    IntLocal2 = 8,
    IntDma0Enable = 17,
    IntDma1Enable = 33,
    IntDma0Done = 16,  // disable / notification of DMA channel 0 done
    IntDma1Done = 32,
};

const uint32_t kPlxBlockWords = 30;
const uint32_t kPlxBlockBytes = kPlxBlockWords * 4;  // 120

// Word positions in the block. Pointers travel as two words, low half first, so the layout
// is the same for 32-bit and 64-bit callers.
enum PlxWord : uint32_t {
    WStatus = 0,
    WKeyLocation = 1,   // bus | slot << 8 | function << 16 (0xFF each: any)
    WKeyIds = 2,        // vendor | device << 16 (0xFFFF each: any)
    WKeySubsystem = 3,  // subsystem vendor | subsystem device << 16 (0xFFFF each: any)
    WKeyIndex = 4,      // the driver's own index of the device
    WKeyDeviceNo = 5,   // the device number in the driver's device path ("-%d")
    WArg0 = 6,          // first argument or result
    WArg1 = 7,
    WArg2 = 8,
    WArg3 = 9,
    WArg4 = 10,
    WArg5 = 11,
    WArg6 = 12,
    WArg7 = 13,
    WArg8 = 14,
    WArg9 = 15,
};

// Per-request use of the argument words:
//   DriverVersion    out W6 = major << 16 | minor << 8 | revision
//   FindDevice       in key (wildcards) and W6 = match index; out key, or W6 = matches when not found
//   MapBar           in W6 = BAR; out W7,W8 = user address, W9 = size
//   UnmapBar         in W6 = BAR, W7,W8 = user address
//   PciRead/Write    W6 = offset, W7 = value
//   LocalBlock*      W6 = space, W7 = local address, W8,W9 = buffer, W10 = bytes, W11 = access size
//   Query            out W6
//   RegisterRead/Write W6 = offset, W7 = value
//   InterruptEnable/Disable W6..W8 = interrupt descriptor
//   NotifyRegister   W6..W8 = descriptor, W9..W15 = notification record (out: driver's fields)
//   NotifyCancel     W9..W15 = notification record
//   DmaOpen          W6 = channel, W7.. = channel descriptor
//   DmaTransfer      W6 = channel, W7..W12 = transfer record
//   DmaClose         W6 = channel
const uint32_t kNotifyRecordWord = WArg3;
const uint32_t kNotifyRecordWords = 7;  // tag, event (2 words), source, driver's cookie, 2 reserved
const uint32_t kTransferRecordWord = WArg1;

const uint32_t kNotifyTag = 0x4E4F5449;  // 'NOTI'

// Transfer record (24 bytes): host address (two words), card local address, byte count,
// flags (bit 1: card to host), reserved.
const uint32_t kDmaCardToHost = 1u << 1;

const uint32_t kDriverVersionAccepted = (5u << 16) | (1u << 8) | 0u;  // 5.1.0

const uint16_t kCardVendorId = 0x4256;
const uint16_t kCardDeviceId = 0x1100;

}  // namespace ovx

#endif
