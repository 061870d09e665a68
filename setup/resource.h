// Resource and control IDs of setup.exe.
#pragma once

#define IDD_WIZ 100
#define IDD_WELCOME 101
#define IDD_LICENSE 102
#define IDD_FOLDER 103
#define IDD_DONE 104
#define IDD_BOX 105
#define IDD_INS 106
#define IDD_ABOUT 107

#define IDR_LICENSE 120  // the licence text, also shipped as License.txt
#define IDI_SETUP 121

#define IDC_RULE 200
#define IDC_BK 201
#define IDC_NXT 202
#define IDC_CC 203

#define IDC_TITLE 210
#define IDC_MEMO 211
#define IDC_BOXFRAME 212
#define IDC_PATHLABEL 213
#define IDC_FOLE 214
#define IDC_BUTTON4 215
#define IDC_SELECTLABEL 216
#define IDC_DD 217
#define IDC_DRIVECOMBOBOX1 218
#define IDC_SEREADME 220
#define IDC_SEAPP 221
#define IDC_SEURL 222
#define IDC_URLLABEL1 223

#define IDC_INSPANEL 230
#define IDC_INSICON 231
#define IDC_L 232

#define IDC_ABOUTTITLE 240
#define IDC_LVER 241
#define IDC_ABOUTURL 242
#define IDC_ABOUTRULE 243

// The background window's own controls (made in code).
#define IDC_MAINPANEL 250
#define IDC_MAINLOGO 251
#define IDC_MAINTITLE 252
#define IDC_MAINVERSION 253
#define IDC_MAINFOOTER 254

#define IDM_ABOUTSEP 9998
#define IDM_ABOUT 9999
#define IDT_T 1
