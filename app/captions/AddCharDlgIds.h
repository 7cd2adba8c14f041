// Resource ids of the add-caption dialog, shared by its class and its dialog template.
#pragma once

#define IDD_ADD_CHAR 4004
#define IDC_ADD_CHAR_TIME 1005
#define IDC_ADD_CHAR_DURATION 1006
#define IDC_ADD_CHAR_FILE 1008
#define IDC_ADD_CHAR_NAME 1009
#define IDC_ADD_CHAR_BROWSE 1093
