// The card's PLX 9054 PCI bridge, reached through the bridge service driver: finding and
// opening cards, register windows, configuration and local registers, interrupts and their
// notifications, and DMA between host memory and card memory. Every operation answers one
// of the driver's status codes (PlxSuccess or a failure).
#ifndef OVX500U_PCIBRIDGEDEVICE_H
#define OVX500U_PCIBRIDGEDEVICE_H

#include <cstdint>
#include <string>
#include <windows.h>

#include "PlxDriver.h"

namespace ovx {

// Interrupt sources that carry a notification record.
enum class NotifySource { Local = 0, Dma0Done = 1, Dma1Done = 2 };

class PciBridgeDevice {
public:
    static const uint32_t kTagValid = 0x5F504C58;
    static const uint32_t kTagClosed = 0x564F4944;
    static const unsigned kMaxMatchIndex = 16;

    PciBridgeDevice();
    ~PciBridgeDevice();
    PciBridgeDevice(const PciBridgeDevice&) = delete;
    PciBridgeDevice& operator=(const PciBridgeDevice&) = delete;

    // Cards present: matches for indexes 0..15 over every driver, PlxSvc matches excluded.
    static int CountCards();

    // Finds the card with this match index (over the driver table) and opens it.
    uint32_t OpenCard(unsigned index);
    uint32_t Close();
    bool IsValid() const { return tag_ == kTagValid; }

    uint32_t DriverVersion(uint32_t& version);
    uint32_t Reset();
    uint32_t MapBar(unsigned bar, uintptr_t& address);
    uint32_t UnmapBar(uintptr_t address);
    uint32_t PciRead(uint32_t offset, uint32_t& value);
    uint32_t PciWrite(uint32_t offset, uint32_t value);
    uint32_t LocalRegisterRead(uint32_t offset, uint32_t& value);
    uint32_t LocalRegisterWrite(uint32_t offset, uint32_t value);
    uint32_t LocalBlockRead(uint32_t space, uint32_t address, void* buffer, uint32_t bytes);
    uint32_t LocalBlockWrite(uint32_t space, uint32_t address, const void* buffer, uint32_t bytes);
    uint32_t Query(uint32_t& value);

    uint32_t EnableInterrupt(uint32_t code);
    uint32_t DisableInterrupt(uint32_t code);
    uint32_t RegisterNotification(NotifySource source);
    uint32_t CancelNotification(NotifySource source);
    // wakeEarly, when given, ends the wait as soon as it is signalled (answered as a time-out).
    uint32_t WaitNotification(NotifySource source, DWORD timeoutMs, HANDLE wakeEarly = nullptr);

    uint32_t DmaOpen(unsigned channel);
    uint32_t DmaClose(unsigned channel);
    // Starts a transfer; completion is signalled through the channel's DMA-done notification.
    uint32_t DmaStart(unsigned channel, void* host, uint32_t cardAddress, uint32_t bytes, bool cardToHost);
    // Registers the channel's notification, starts, waits up to timeoutMs and cancels.
    uint32_t DmaTransfer(unsigned channel, void* host, uint32_t cardAddress, uint32_t bytes, bool cardToHost,
                         DWORD timeoutMs);
    uint32_t DmaWaitDone(unsigned channel, DWORD timeoutMs);

private:
    struct Key {
        uint32_t words[5];
    };
    struct BarEntry {
        uintptr_t address;
        uint32_t size;
        uint32_t uses;
    };
    struct Notification {
        HANDLE event;
        uint32_t record[kNotifyRecordWords];
        bool registered;
    };

    // Finds the device with this match index; on success the key and driver are filled.
    uint32_t Find(unsigned index);
    uint32_t Send(uint32_t code, uint32_t* block);
    void FillKey(uint32_t* block) const;
    static bool DmaSource(unsigned channel, NotifySource& source);

    uint32_t tag_;
    Key key_;
    bool keyFilled_;
    int driver_;  // index in the driver name table of the driver that found the card
    HANDLE handle_;
    BarEntry bars_[6];
    Notification notes_[3];
};

// "\\.\<name>-<n>", or "\\.\<name>" for the service driver.
std::wstring DriverDevicePath(const wchar_t* name, uint32_t deviceNumber);

}  // namespace ovx

#endif
