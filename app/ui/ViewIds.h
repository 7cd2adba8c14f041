// Resource ids of the program view and of its video window.
#pragma once

// CVideoDlg: the separate video window and its presentation child.
#define IDD_VIDEO_DLG 147
#define IDC_VIDEO_CHILD 14608

// CDVViewWnd: the children of the program view.
#define IDC_VIEW_VIDEO_AREA 4118
#define IDC_VIEW_VIDEO_BUTTON 4119
#define IDC_VIEW_LEVEL1 4122
#define IDC_VIEW_LEVEL2 4123
