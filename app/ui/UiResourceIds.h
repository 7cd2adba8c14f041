// Resource ids of the main window's own dialogs and controls (shared by code and .rc files).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDD_RAVELMIXER_DIALOG 102
#define IDR_MAIN_MENU 131
#define IDC_ABOUT_MAIL 1186
#define IDC_ABOUT_WEB 1187
#define IDC_ABOUT_MAIL2 1188
#define IDC_ABOUT_SUPPORT 1234
#define IDC_ABOUT_VERSION 1189

// The build version shown in the about box and compared by the new-version check.
#define RVX_BUILD_VERSION_TEXT L"1.0.0.0"
