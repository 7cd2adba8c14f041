// The main window's accelerator table: one entry per hot key of the hot-key page, each bound
// to the operator command of its table position.
#pragma once

#include <windows.h>

// The commands of the 27 hot keys, in the hot-key page's table order.
extern const WORD kHotKeyCommands[27];

// Fills 27 entries from config\hotkey.ini (keys of a missing file are all 0).
void BuildHotKeyAccelerators(ACCEL* entries);
// A new table from config\hotkey.ini, or null when the system cannot make one.
HACCEL CreateHotKeyAcceleratorTable();
// Replaces `table` with one built from config\hotkey.ini; the old table is destroyed only
// when the new one could be made. FALSE (and the old table kept) otherwise.
BOOL RebuildHotKeyAcceleratorTable(HACCEL& table);
