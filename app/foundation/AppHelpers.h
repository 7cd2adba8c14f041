// The program folder and the message boxes of the whole program.
#pragma once

#include <afx.h>

// The folder of the running program, without a trailing backslash (for example
// C:\Program Files\Ravelmixer); the config, skins, fx and rxf folders are built on it.
CString GetExeDirectory();

// Tests point the program folder somewhere of their own; an empty or null folder returns
// to the program's own.
void SetExeDirectoryOverride(LPCWSTR folder);

// Shows a box whose text and caption come from the string table of the current resource
// module (an id the table lacks gives an empty text); returns the button chosen (IDOK,
// IDYES, ...).
int AppMessageBox(HWND owner, UINT textId, UINT captionId, UINT style);

// The same with a text already made (a string-table format filled in by the caller).
int AppMessageBoxText(HWND owner, LPCWSTR text, UINT captionId, UINT style);
