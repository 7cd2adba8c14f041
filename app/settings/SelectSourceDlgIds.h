// Resource ids of the source selection dialog, shared by its class and its dialog template.
#pragma once

#define IDD_SELECT_SOURCE 130
#define IDC_SELECT_SOURCE_VIDEO 1060
#define IDC_SELECT_SOURCE_AUDIO 1061
#define IDC_SELECT_SOURCE_VIDEO_SETTINGS 1062
#define IDC_SELECT_SOURCE_AUDIO_SETTINGS 1063
