// Control ids, commands and tool-tip strings of a channel panel.
#pragma once

#include "app/ui/ControlPaneIds.h"

#define ID_PANEL_LOAD_SOURCE 4117
#define ID_PANEL_MORE_CONTROLS 4118
#define IDC_PANEL_PREVIEW 4119
#define IDC_PANEL_LEVEL1 4122
#define IDC_PANEL_LEVEL2 4123

#define IDS_TIP_LOAD_SOURCE 204
#define IDS_TIP_MORE_CONTROLS 205
