// Control IDs of Kestro.exe. A control's identifier is IDC_ followed by its
// name in the window (IDC_Edit6 is the control Edit6); a page's template is
// IDD_ followed by the page's name.
//   100-199    templates of the main window, its pages and the About box
//   1000-1999  controls of the main window and its pages
//   2000-2999  the source list, the Add Folder dialog and the preview dialogs
#pragma once

#define IDD_Form1 100
#define IDD_nb 101
#define IDD_welcome 110
#define IDD_load 111
#define IDD_files 112
#define IDD_general 113
#define IDD_visual2 114
#define IDD_selectexe 115
#define IDD_save 116
#define IDD_done 117
#define IDD_Gb5 120
#define IDD_gb4 121
#define IDD_About 130
#define IDI_Kestro 140
#define IDT_Timer1 1

// Main window
#define IDC_nb 1000
#define IDC_Back 1001
#define IDC_Next 1002
#define IDC_Cancel 1003
#define IDC_ll 1004
#define IDC_Edit2 1005

// Titles shown on the pages (one per page, same ID)
#define IDC_PageTitle 1009

// "welcome"
#define IDC_WelcomeSubtitle 1010
#define IDC_WelcomeOffers 1011
#define IDC_Check1 1012
#define IDC_Check2 1013
#define IDC_Check3 1014
#define IDC_Check4 1015
#define IDC_Check5 1016
#define IDC_Feature1 1017
#define IDC_Feature2 1018
#define IDC_Feature3 1019
#define IDC_Feature4 1020
#define IDC_Feature5 1021
#define IDC_verLbl 1022
#define IDC_Animate1 1023
#define IDC_btnAbout 1024

// "load"
#define IDC_LoadText1 1030
#define IDC_LoadText2 1031
#define IDC_btnCompilerDetails 1032
#define IDC_Label6 1033
#define IDC_Edit6 1034
#define IDC_btnOpen 1035
#define IDC_LoadHint 1036

// "files"
#define IDC_FilesText1 1040
#define IDC_FilesText2 1041
#define IDC_Label1 1042
#define IDC_lbSrcFiles 1043
#define IDC_btnAddSrcFiles 1044
#define IDC_btnAddSrcDir 1045
#define IDC_btnRmSelFiles 1046
#define IDC_btnRmAllFiles 1047
#define IDC_FilesHint 1048

// "general"
#define IDC_GeneralIntro 1050
#define IDC_ch1 1051
#define IDC_Edit1 1052
#define IDC_btnTestPrmpt 1053
#define IDC_Pwd 1054
#define IDC_Label44 1055
#define IDC_Edit7 1056
#define IDC_Label26 1057
#define IDC_Edit5 1058
#define IDC_btnTestPwd 1059
#define IDC_Label15 1060
#define IDC_Edit10 1061
#define IDC_ch2 1062
#define IDC_Label2 1063
#define IDC_Edit3 1064
#define IDC_btnTestPrgbar 1065
#define IDC_finmsgchk 1066
#define IDC_finmsg 1067
#define IDC_btnTestMsg 1068
#define IDC_GeneralHint 1069

// "visual2"
#define IDC_Label3 1070
#define IDC_eTitle 1071
#define IDC_cExe 1072
#define IDC_lExe1 1073
#define IDC_eExe 1074
#define IDC_lExe2 1075
#define IDC_licchk 1076
#define IDC_btnEditLicText 1077
#define IDC_Label4 1078
#define IDC_eCon 1079
#define IDC_Label5 1080
#define IDC_eCan 1081
#define IDC_Visual2Hint 1082

// "selectexe"
#define IDC_SelectIntro 1090
#define IDC_RadioButton953 1091
#define IDC_RadioButton954 1092
#define IDC_Gb5 1093
#define IDC_Label7 1094
#define IDC_cb3 1095
#define IDC_dissel 1096
#define IDC_ch55 1097
#define IDC_IEButton1 1098
#define IDC_ch54 1099
#define IDC_ch53 1100
#define IDC_ch52 1101
#define IDC_l33 1102
#define IDC_cbl 1103
#define IDC_l34 1104
#define IDC_e66 1105
#define IDC_gb4 1106
#define IDC_Label8 1107
#define IDC_cb2 1108
#define IDC_Label9 1109
#define IDC_Edit9 1110
#define IDC_Label10 1111
#define IDC_Edit12 1112
#define IDC_IEButton2 1113
#define IDC_cb4 1114
#define IDC_Gb4Note 1115
#define IDC_SelectHint 1116

// "save"
#define IDC_SaveIntro 1120
#define IDC_Label11 1121
#define IDC_Edit4 1122
#define IDC_btnBrws 1123
#define IDC_sco 1124
#define IDC_chkQuiet 1125
#define IDC_QuietNote 1126
#define IDC_SaveNote 1127

// "done" (its contents come with the compiler launch)
#define IDC_DoneText 1130
#define IDC_DoneSaved 1131
#define IDC_Animate2 1132
#define IDC_DoneWeb 1133
#define IDC_DoneMail 1134
#define IDD_bse 1135
#define IDC_bse 1135
#define IDC_bseText 1136
#define IDC_Sel 1137
#define IDC_IEButton3 1138

// About box
#define IDC_AboutTitle 1140
#define IDC_AboutVersion 1141
#define IDC_AboutText 1142
#define IDC_AboutOK 1143

// Source list, Add Folder dialog, preview dialogs: 2000-2999, below.
#define IDD_AddFolder 2000
#define IDC_LblSelFol 2001
#define IDC_edSelFol 2002
#define IDC_LblFolder 2003
#define IDC_DirLb 2004
#define IDC_LblDrive 2005
#define IDC_DrvCB 2006
#define IDC_btnOk 2007
#define IDC_btnCnc 2008

#define IDD_PwdForm 2100
#define IDC_Pwd_Label1 2101
#define IDC_Pwd_Edit1 2102
#define IDC_Pwd_Button1 2103
#define IDC_Pwd_Button2 2104

#define IDD_InstallForm 2200
#define IDC_Inst_Image1 2201
#define IDC_Inst_Label1 2202
#define IDC_Inst_ProgressGauge 2203
#define IDT_Inst_Timer1 2204

#define IDD_fLic 2300
#define IDC_Lic_LicText 2301
#define IDC_Lic_Button1 2302
#define IDC_Lic_Button2 2303
#define IDC_Lic_Button3 2304
