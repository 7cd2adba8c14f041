// Resource ids of the audio mixing console, shared by its class and its dialog template.
#pragma once

#define IDD_VOLADJUST 4002
#define IDC_VOL_SEL1 1194        // 1194..1198: input 1..5 in the mix
#define IDC_VOL_SEL5 1198
#define IDC_VOL_FADER1 1199      // 1199..1203: input 1..5 gain
#define IDC_VOL_FADER5 1203
#define IDC_VOL_FADER_OUT 1204   // the output gain
#define IDC_VOL_AGC 1205
#define IDC_VOL_AUTOSWITCH 1206
