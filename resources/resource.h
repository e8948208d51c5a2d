// Resource and control ids shared by the resource scripts and the C++ code. Each dialog
// keeps its ids in its own section; the main window's ids are fixed by its command table.
#pragma once

// ---- Main window: the dialog "MAIN" ----
#define IDD_MAIN "MAIN"
#define IDI_MAINICON "MAINICON"

#define IDC_FOLDER 1001
#define IDC_FOLDER_LABEL 1002
#define IDC_BROWSE 1003
#define IDC_FILTER 1004
#define IDC_FILTER_LABEL 1005
#define IDC_FORMAT_LABEL 1006
#define IDC_NAME 1007
#define IDC_NAME_LABEL 1008
#define IDC_EDIT_NAME 1009
#define IDC_SUBFOLDERS 1010
#define IDC_OVERWRITE 1011
#define IDC_FORMAT 1012 // the format of written lists: md5sum, SFV, SHA-256, BLAKE3, XXH128
#define IDC_PLACEMENT_GROUP 1013
#define IDC_PLACEMENT_FIRST 1014 // 1014..1018: the five placement modes in order
#define IDC_PLACEMENT_LAST 1018
#define IDC_UPDATE 1019
#define IDC_VERIFY 1020
#define IDC_HELP_BUTTON 1021
#define IDC_ABOUT_BUTTON 1022
#define IDC_PROGRESS 1023
#define IDC_LOG 1024
#define IDC_STATUS 1025

// Commands of the main window that are not controls.
#define IDM_UPDATE_CHECK 1026 // update check with the reminder dialog first
#define IDM_USAGE 1027        // the usage dialog of the command line

// System menu commands.
#define IDM_SYS_ABOUT 2000
#define IDM_SYS_OPTIONS 2001
#define IDM_SYS_UPDATES 2003

// The log's popup menu.
#define IDM_LOG_CUT 3000
#define IDM_LOG_COPY 3001
#define IDM_LOG_DELETE 3002
#define IDM_LOG_SELECT_ALL 3003
#define IDM_LOG_SAVE_AS 3004

// ---- Usage dialog "CMDLINE" ----
#define IDC_USAGE_TEXT 1001
#define IDC_USAGE_OK 1002

// ---- Options dialog "OPTIONS" ----
#define IDC_OPT_DETAILED 1001
#define IDC_OPT_TOOLTIPS 1002
#define IDC_OPT_HEADERS 1003
#define IDC_OPT_HDR_NONE 1004 // 1004..1006: header modes 0..2 in order
#define IDC_OPT_HDR_STANDARD 1005
#define IDC_OPT_HDR_WINSFV 1006
#define IDC_OPT_REMIND 1007
#define IDC_OPT_WORKERS_LABEL 1008
#define IDC_OPT_WORKERS 1009
#define IDC_OPT_EXPLORER 1010
#define IDC_OPT_QUICK 1011
#define IDC_OPT_MOVED 1012
#define IDC_OPT_OK 1098
#define IDC_OPT_CANCEL 1099

// ---- Update reminder "MIND" ----
#define IDC_MIND_TEXT 1001
#define IDC_MIND_DONT_REMIND 1002
#define IDC_MIND_YES 1003
#define IDC_MIND_NO 1004

// ---- About dialog "ABOUT" ----
#define IDC_ABOUT_OK 1000
#define IDC_ABOUT_FIRST_LINE 1001
#define IDC_ABOUT_NAME 1002
#define IDC_ABOUT_VERSION 1003
#define IDC_ABOUT_MAIL 1005
#define IDC_ABOUT_WEB 1006
