// Resource ids of the start-up system check dialog, shared by its class and its template.
#pragma once

#define IDD_SYSCHECK_DIALOG 4009
#define IDC_SYSCHECK_REPORT 1222
#define IDC_SYSCHECK_SKIP 1223

#define IDS_SYSCHECK_CPU 304
#define IDS_SYSCHECK_PIXELSHADER 305
#define IDS_SYSCHECK_NONPOW2 306
