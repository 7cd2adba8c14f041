// Everything one open card owns in this process, created in dependency order and destroyed
// in reverse, and the process's table of open cards.
#ifndef OVX500U_CARDHOLDER_H
#define OVX500U_CARDHOLDER_H

#include <memory>

#include "Board.h"
#include "CardApi.h"
#include "CardRegisters.h"
#include "FlashProgrammer.h"
#include "IicBus.h"
#include "PciBridgeDevice.h"
#include "SettingsMemory.h"
#include "VideoSettings.h"
#include "Win32Handles.h"

namespace ovx {

const unsigned kMaxCards = 16;

// The card's named mutexes, shared by every process using the card. The bus mutex keeps IIC
// transactions whole; the maintenance mutex keeps flash operations apart; the writer role
// mutex belongs to the one field writer that sends the frame.
struct CardLock {
    explicit CardLock(unsigned card);
    bool valid() const { return board && registers && writerRole && bus && maintenance; }
    UniqueHandle board;
    UniqueHandle registers;
    UniqueHandle writerRole;
    UniqueHandle bus;
    UniqueHandle maintenance;
};

class CardHolder {
public:
    explicit CardHolder(unsigned card);
    ~CardHolder();

    unsigned card;
    CardLock lock;
    PciBridgeDevice device;
    CardRegisters registers;
    IicBus bus;
    SettingsMemory memory;
    FlashProgrammer flash;
    IicChip decoder;
    IicChip encoder0;
    IicChip encoder1;
    VideoSettings settings;
    Board board;
    CardApi api;
};

// The process's open cards, one entry per index; guarded, so concurrent opens of one card
// make one holder, and a holder in use by one thread outlives a close from another.
class CardTable {
public:
    static std::shared_ptr<CardHolder> Find(unsigned card);
    // Opens (or, nested, counts) the card; 0 when it cannot be brought up.
    static int Open(unsigned card, int mode);
    static int Close(unsigned card);
};

}  // namespace ovx

#endif
