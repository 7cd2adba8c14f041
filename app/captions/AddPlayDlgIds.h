// Resource ids of the add-programme dialog, shared by its class and its dialog template.
#pragma once

#define IDD_ADD_PLAY 4006
#define IDC_ADD_PLAY_VIDEO_SETTINGS 1002
#define IDC_ADD_PLAY_TYPE 1003
#define IDC_ADD_PLAY_COUNT 1004
#define IDC_ADD_PLAY_START 1005
#define IDC_ADD_PLAY_POSITION 1006
#define IDC_ADD_PLAY_VIDEO 1007
#define IDC_ADD_PLAY_AUDIO 1008
#define IDC_ADD_PLAY_AUDIO_SETTINGS 1009
#define IDC_ADD_PLAY_NAME 1010
#define IDC_ADD_PLAY_DURATION 1011
