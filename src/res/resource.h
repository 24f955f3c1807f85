// Resource ids of Keyloom. Read by windres and by C++ alike, so plain
// #defines only. The numbers are the product's own and must not change:
// tests and the dialog procedures find controls by them.
#pragma once

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_KEYLOOM_DIALOG 102
#define IDD_RECORD 135
#define IDD_EDIT_RECORDING 137

// Strings.
#define IDS_ABOUTBOX 101

// Icons.
#define IDI_KEYLOOM 129

// Main window controls.
#define IDC_MACRO_LIST 1002
#define IDC_ADD_MACRO 1003
#define IDC_EDIT_MACRO 1004
#define IDC_DELETE_MACRO 1005
#define IDC_RECORDING_LIST 1129
#define IDC_ADD_RECORDING 1130
#define IDC_DELETE_RECORDING 1131
#define IDC_EDIT_RECORDING 1132
#define IDC_CLOSE 1151

// Record dialog controls. The three radio ids are the product's own and not
// contiguous, so the dialog checks them one by one.
#define IDC_RECORD_ALL 1126
#define IDC_RECORD_NAME 1131
#define IDC_RECORD 1132
#define IDC_RECORD_MOUSE 1140
#define IDC_RECORD_KEYBOARD 1141
#define IDC_RECORD_CANCEL 1143
#define IDC_START_WINDOWS 1146
#define IDC_MINIMIZE_MAIN 1147

// Rename dialog of a recording.
#define IDC_RECORDING_NAME 1131

// About box controls.
#define IDC_DISCLAIMER 1154

// Window-menu command; the system keeps the low four bits of such ids for
// itself, so it is compared after masking with 0xFFF0.
#define IDM_ABOUTBOX 0x0010

// Controls that are never addressed: labels, group boxes, icons.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
