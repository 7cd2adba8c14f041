// The private window messages the operator's desk exchanges: the channel panels, the program
// view, the settings pages, the playout dialog and the caption windows talk to the main window
// with these (sent unless a sender says it posts). Their values are fixed.
#pragma once

#include <windows.h>

// From a channel panel (wParam the panel's CWnd*).
const UINT WM_PANEL_LOAD_SOURCES = 0x450;   // wParam SourceDescriptor[2] {audio, video}, lParam the panel; 1 loaded
const UINT WM_PANEL_MEDIA_ENDED = 0x451;    // wParam the panel
const UINT WM_PANEL_DEVICE_LOST = 0x452;    // wParam the panel, lParam the lost filter's IUnknown*
const UINT WM_PANEL_DEVICE_BACK = 0x453;    // wParam the panel, lParam the filter's IUnknown*
const UINT WM_PANEL_CHECK_ON_AIR = 0x454;   // wParam the panel; 0 when it is the locked program
const UINT WM_PANEL_CHECK_ON_AIR2 = 0x455;  // the same question under a second value
const UINT WM_PANEL_STARTED = 0x456;        // wParam the panel
const UINT WM_PANEL_IS_FREE = 0x457;        // wParam the panel; 1 unless it is the locked program
const UINT WM_PANEL_MORE_CONTROLS = 0x458;  // wParam the panel (0 hides), lParam position percent
const UINT WM_PANEL_SELECT = 0x533;         // wParam the panel, lParam its channel number; non-zero accepted
const UINT WM_PANEL_TAKE = 0x534;           // wParam the panel

// From the program view and the video window (wParam the presentation window's HWND).
const UINT WM_ADD_VIDEO_WINDOW = 0x470;
const UINT WM_REMOVE_VIDEO_WINDOW = 0x471;

const UINT WM_MAIN_PING = 0x494;
// Posted by the new-version check's HTTP worker when its request ended.
const UINT WM_VERSION_INFO_DONE = 0x499;

// From the sound-card page.
const UINT WM_SET_AUDIO_OUTPUT = 0x500;     // wParam on/off, lParam CString* device name
const UINT WM_PROGRAM_VOLUME = 0x501;       // wParam 1 get / 0 set, lParam percent

// From the subtitle line window: wParam a memory DC holding the line (0 hides), lParam the
// bitmap's height in the high 16 bits and its width in the low 16 bits.
const UINT WM_CAPTION_BITMAP = 0x1D33;
// From the subtitle line window, when automatic publishing ended by itself (the list ran out),
// so the main window's automatic-publishing switch can follow; wParam and lParam 0.
const UINT WM_SUBTITLE_AUTO_ENDED = 0x1D34;

// From the add-programme dialog: wParam SourceDescriptor[2], lParam int* (1 when seekable);
// the answer is the duration in whole seconds.
const UINT WM_PROBE_PLAY_SOURCE = 0x2500;

// From the playout dialog.
const UINT WM_AUTOPLAY_LOAD = 0x2510;       // wParam the play item, lParam slot 0..4; 1 when loaded
const UINT WM_AUTOPLAY_PLAY = 0x2511;       // wParam seconds << 16 | play flag, lParam slot
const UINT WM_AUTOPLAY_CAPTION = 0x2512;    // wParam wide path, lParam index << 16 | show flag
