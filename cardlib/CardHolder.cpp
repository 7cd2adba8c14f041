#include "CardHolder.h"

namespace ovx {
namespace {

HANDLE NamedMutex(const wchar_t* prefix, unsigned card)
{
    return CreateMutexW(nullptr, FALSE, CardObjectName(prefix, card).c_str());
}

struct TableState {
    CriticalSection lock;
    // Serialises opening and closing within the process; lookups only take `lock`.
    CriticalSection lifecycle;
    std::shared_ptr<CardHolder> holders[kMaxCards];
};

TableState& Table()
{
    static TableState table;
    return table;
}

}  // namespace

CardLock::CardLock(unsigned card)
    : board(NamedMutex(L"BvThreadBoardInfOvx500proMutex_", card)),
      registers(NamedMutex(L"BrivantMutipleThreadMutex_", card)),
      writerRole(NamedMutex(L"BrivantDelayDelta_", card)),
      bus(NamedMutex(L"BrivantCardMutex0_", card)),
      maintenance(NamedMutex(L"BrivantCardMutex1_", card))
{
}

CardHolder::CardHolder(unsigned index)
    : card(index),
      lock(index),
      device(),
      registers(device, lock.registers.get()),
      bus(registers, lock.bus.get()),
      memory(bus),
      flash(index),
      decoder(bus, iic::Decoder, false),
      encoder0(bus, iic::Encoder0, true),
      encoder1(bus, iic::Encoder1, true),
      settings(registers, decoder, encoder0, encoder1, memory),
      board(index, lock.board.get(), lock.writerRole.get(), device, registers, settings),
      api(board, settings, memory, registers, device, decoder, encoder0, encoder1, flash)
{
}

CardHolder::~CardHolder() = default;

std::shared_ptr<CardHolder> CardTable::Find(unsigned card)
{
    if (card >= kMaxCards)
        return nullptr;
    TableState& t = Table();
    CsLock lock(t.lock);
    return t.holders[card];
}

int CardTable::Open(unsigned card, int mode)
{
    if (card >= kMaxCards)
        return 0;
    TableState& t = Table();
    CsLock life(t.lifecycle);
    std::shared_ptr<CardHolder> holder = Find(card);
    bool created = false;
    if (!holder) {
        holder = std::make_shared<CardHolder>(card);
        if (!holder->lock.valid())
            return 0;
        created = true;
    }
    int result = holder->board.Startup(mode);
    if (created && result) {
        CsLock lock(t.lock);
        t.holders[card] = holder;
    }
    return result;
}

int CardTable::Close(unsigned card)
{
    if (card >= kMaxCards)
        return 0;
    TableState& t = Table();
    CsLock life(t.lifecycle);
    std::shared_ptr<CardHolder> holder = Find(card);
    if (!holder)
        return 0;
    if (holder->board.lastClose()) {
        // Out of the table first, so no export starts on the card while it shuts down.
        CsLock lock(t.lock);
        t.holders[card].reset();
    }
    return holder->board.Shutdown();
}

}  // namespace ovx
