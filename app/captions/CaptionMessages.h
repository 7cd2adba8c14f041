// The private messages the caption windows exchange among themselves (sent, never posted).
// Their values are fixed.
#pragma once

#include <windows.h>

// From the caption canvas to the editor: wParam the CCharObject* to fill with the current style
// and timing (a new object, or the one the canvas compares against).
const UINT WM_NOTEPAD_NEWOBJECT = 0x2D49;
// From the caption canvas: wParam the selected CCharObject*, to load into the style controls.
const UINT WM_NOTEPAD_SELECT = 0x2D50;
// From the caption canvas: wParam the page's modified flag.
const UINT WM_NOTEPAD_MODIFIED = 0x2D51;
// From the caption preview dialog when the operator closes it; wParam and lParam 0.
const UINT WM_PREVIEW_CLOSED = 0x1423;
