// Control IDs of Compiler.exe's window.
#pragma once

#define IDD_COMPILEFORM 100
#define IDC_L1 101               // the information label
#define IDC_PR 102               // the progress bar
#define IDC_LP 103               // the percentage label
#define IDC_EXPLORERBUTTON1 104  // Cancel
#define IDC_STATUSPANEL 105      // the status bar
#define IDT_TIMER1 1
