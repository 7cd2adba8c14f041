// Resource ids of the two control panes, the pop-up menus and their strings.
#pragma once

// CAllCtrlPane: transport buttons for all five channel panels.
#define IDD_ALLCTRL_PANE 155
#define IDC_ALLCTRL_BACK10 1090
#define IDC_ALLCTRL_BACK1 1179
#define IDC_ALLCTRL_STOP 1092
#define IDC_ALLCTRL_PAUSE 1093
#define IDC_ALLCTRL_PLAY 1094
#define IDC_ALLCTRL_FORWARD1 1178
#define IDC_ALLCTRL_FORWARD10 1096

// CVolCtrlPane: the clip transport pane of one channel panel.
#define IDD_VOLCTRL_PANE 156
#define IDC_VOLCTRL_BACK1 1091
#define IDC_VOLCTRL_FORWARD1 1095
#define IDC_VOLCTRL_NEXT_FRAME 1096
#define IDC_VOLCTRL_SPEED 1097
#define IDC_VOLCTRL_POSITION 1177

// Menu 145: the program's pop-up menus; sub-menu 2 is the playback speed menu.
#define IDR_POPUP_MENUS 145
#define IDM_POPUP_SPEED 2
#define ID_SPEED_X0_2 34514
#define ID_SPEED_X8_0 34520

// Tool tips of the pane buttons and the speed texts (the string table).
#define IDS_TIP_PLAY 199
#define IDS_TIP_BACK10 200
#define IDS_TIP_FORWARD10 201
#define IDS_TIP_STOP 202
#define IDS_TIP_PAUSE 203
#define IDS_TIP_BACK1 206
#define IDS_TIP_FORWARD1 207
#define IDS_TIP_NEXT_FRAME 208
#define IDS_SPEED_X0_2 209

// Commands every channel panel answers (its own buttons and the panes).
#ifndef ID_PANEL_BACK10
#define ID_PANEL_BACK10 4112
#define ID_PANEL_STOP 4113
#define ID_PANEL_PAUSE 4114
#define ID_PANEL_PLAY 4115
#define ID_PANEL_FORWARD10 4116
#define ID_PANEL_BACK1 4120
#define ID_PANEL_FORWARD1 4121
#endif

// Messages a channel panel answers for the clip pane.
#define WM_PANEL_SEEK_PERCENT 0x470    // wParam percent
#define WM_PANEL_GET_PERCENT 0x471     // wParam int*; 1 when answered
#define WM_PANEL_STEP_FRAME 0x473
#define WM_PANEL_SET_RATE 0x474        // wParam double*; non-zero when the rate was taken
