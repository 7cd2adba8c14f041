// The operator's hot keys as the whole user-interface thread sees them: the desk's window, its
// accelerator table and whether hot keys are on. The desk sets its window and table when it
// opens; the hot-key settings sheet turns them off while it is open. Only the user-interface
// thread reads or writes this state.
#pragma once

#include <windows.h>

struct DeskHotKeyState {
    HWND mainWindow = nullptr;
    HACCEL table = nullptr;
    bool enabled = true;
};

DeskHotKeyState& DeskHotKeys();

// True for a window the operator types text into, whose keys are never hot keys: any class
// whose name holds "edit" in any case (edit, rich edit), and the date-time picker, IP-address
// and hot-key controls, which take plain keys as input too.
bool IsTextEntryWindow(HWND hwnd);

// Translates msg as a hot key of the desk when the state allows it; true when it did.
bool TranslateDeskHotKey(const DeskHotKeyState& state, MSG* msg);
