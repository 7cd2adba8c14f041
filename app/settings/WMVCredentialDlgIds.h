// Resource ids of the push password box, shared by its class and its dialog template.
#pragma once

#define IDD_WMV_CREDENTIAL 157
#define IDC_WMV_CREDENTIAL_USER 1148
#define IDC_WMV_CREDENTIAL_PASSWORD 1149
#define IDC_WMV_CREDENTIAL_ADDRESS 1184
#define IDC_WMV_CREDENTIAL_REMEMBER 1185
