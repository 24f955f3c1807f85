// Resource ids of Keyloom. Read by windres and by C++ alike, so plain
// #defines only. The numbers are the product's own and must not change:
// tests and the dialog procedures find controls by them.
#pragma once

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_KEYLOOM_DIALOG 102

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

// About box controls.
#define IDC_DISCLAIMER 1154

// Window-menu command; the system keeps the low four bits of such ids for
// itself, so it is compared after masking with 0xFFF0.
#define IDM_ABOUTBOX 0x0010

// Controls that are never addressed: labels, group boxes, icons.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
