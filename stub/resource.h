// Control and dialog IDs of the stub's windows.
#pragma once

#define IDD_LICENSE 101
#define IDD_QUESTION 102
#define IDD_PASSWORD 103
#define IDD_FOLDER 104
#define IDD_PROGRESS 105

#define IDC_TEXT 1001
#define IDC_PICTURE 1002
#define IDC_EDIT 1003
#define IDC_BROWSE 1004
#define IDC_GAUGE 1005
