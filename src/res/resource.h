// Resource ids of Keyloom. Read by windres and by C++ alike, so plain
// #defines only. The numbers are the product's own and must not change:
// tests and the dialog procedures find controls by them.
#pragma once

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_KEYLOOM_DIALOG 102
#define IDD_MACRO_EDIT 130
#define IDD_DELAY 131
#define IDD_PASTE_TO_CLIPBOARD 132
#define IDD_COPY_FROM_CLIPBOARD 133
#define IDD_RECORD 135
#define IDD_SELECT_RECORDING 136
#define IDD_EDIT_RECORDING 137
#define IDD_MESSAGE_BOX 138
#define IDD_RUN 140
#define IDD_TYPE_TEXT 142
#define IDD_SETTINGS 150
#define IDD_PICK_PROGRAM 145
#define IDD_IMPORT 146

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
#define IDC_EXPORT 1180
#define IDC_IMPORT 1181

// Import dialog controls.
#define IDC_IMPORT_LIST 1182
#define IDC_IMPORT_REPLACE 1183
#define IDC_IMPORT_KEEP_BOTH 1184
#define IDC_IMPORT_SKIP 1185
#define IDC_IMPORT_SUMMARY 1186

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

// Macro editor. The keyboard buttons 1005 to 1117 are made from the
// keyboard's table when the dialog opens (editor/keyboard.h).
#define IDC_KEY_DOWN_ONLY 1124
#define IDC_KEY_UP_ONLY 1125
#define IDC_NORMAL_KEY_STROKE 1126
#define IDC_HOT_KEY 1118
#define IDC_MACRO_NAME 1119
#define IDC_REPEAT 1171
#define IDC_MACRO_BODY 1120
#define IDC_DELETE_INSTRUCTION 1121
#define IDC_COMMANDS 1122
#define IDC_INSERT_COMMAND 1123
#define IDC_EDIT_INSTRUCTION 1127
#define IDC_ENABLED 1172
// "Works in:" and its program list.
#define IDC_SCOPE_MODE 1173
#define IDC_SCOPE_PROGRAMS 1174
#define IDC_SCOPE_PICK 1175
#define IDC_PICK_PROGRAMS 1176

// Property dialogs of the commands.
#define IDC_NUMBER 1004
#define IDC_INITIAL_VALUE 1127
#define IDC_WINDOW_TITLE 1155
#define IDC_MESSAGE_BODY 1156
#define IDC_COMMAND 1159
#define IDC_BROWSE_COMMAND 1160
#define IDC_ARGUMENTS 1161
#define IDC_START_IN 1162
#define IDC_BROWSE_START_IN 1163
#define IDC_SHOW_STYLE 1164
#define IDC_UNELEVATED 1165
#define IDC_TYPED_TEXT 1170

// Recording selection dialog. The event radios' ids are those of the
// Record dialog's.
#define IDC_RECORDINGS 1129
#define IDC_AS_RECORDED 1136
#define IDC_INCREASE_SPEED 1137
#define IDC_DECREASE_SPEED 1138
#define IDC_SPEED_PERCENT 1139

// Rename dialog of a recording.
#define IDC_RECORDING_NAME 1131

// Settings dialog.
#define IDC_STOP_KEY 1176

// About box controls.
#define IDC_DISCLAIMER 1154

// Window-menu command; the system keeps the low four bits of such ids for
// itself, so it is compared after masking with 0xFFF0.
#define IDM_ABOUTBOX 0x0010

// Controls that are never addressed: labels, group boxes, icons.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
