#pragma once
#define IDD_VALUES 200
#define IDD_PAGE_ONE 201
#define IDD_PAGE_TWO 202
#define IDC_NUMBER 1001
#define IDC_NAME 1002
#define IDC_FLAG 1003
#define IDS_SHEET_TITLE 900
#define IDR_TEST_MENU 300
