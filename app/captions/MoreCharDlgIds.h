// Resource ids of the caption editor, shared by its class and its dialog template. The style
// controls have the font dialog's ids but for the shadow offsets and their spins.
#pragma once

#include "FontSetDlgIds.h"

#define IDD_MORE_CHAR 139
#define IDC_MORE_SHADOW_X 1029
#define IDC_MORE_SHADOW_Y 1030
#define IDC_MORE_SHADOW_X_SPIN 1031
#define IDC_MORE_SHADOW_Y_SPIN 1032
#define IDC_MORE_LABEL_1080 1080
#define IDC_MORE_LABEL_1188 1188
#define IDC_MORE_APPLY 1090
#define IDC_MORE_ONOFF 1091
#define IDC_MORE_NEW 1092
#define IDC_MORE_FILE 1093
#define IDC_MORE_SAVE 1094
#define IDC_MORE_IMAGE 1095
#define IDC_MORE_VIEW 1096
#define IDC_MORE_BROWSE 1097
#define IDC_MORE_TIMING 1098
#define IDC_MORE_MOTION 1099
#define IDC_MORE_TIMING_VALUE 1142
#define IDC_MORE_FOLDER 1144
#define IDC_MORE_FOLDER_LIST 1145
#define IDC_MORE_APPLIED 1146
#define IDC_MORE_CANVAS 1147
