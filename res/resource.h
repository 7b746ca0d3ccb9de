// Resource ids of Pelloran, shared by the resource script and the C++ side.
// windres needs plain #defines; the numbers are fixed (settings, tests and the menu skin rely on them).
#ifndef PELLORAN_RESOURCE_H
#define PELLORAN_RESOURCE_H

// Main frame: menu, accelerators, icon, title string, toolbar and its bitmap.
#define IDR_MAINFRAME 128
#define IDC_CONNECTION_LIST 129
#define IDI_PROGRAM_LARGE 129
#define IDR_CONTEXT_MENU 130
#define IDI_STATISTICS 131
#define IDI_BLACKLIST 135
#define IDR_MENU_IMAGES 138
#define IDC_HAND_PRESSED_CURSOR 142
#define IDC_HAND_CURSOR 143
#define IDR_TOOLBAR_PNG 185

// Dialogs.
#define IDD_ABOUTBOX 101
#define IDD_STATISTICS 102
#define IDD_BLACKLIST 134
#define IDD_COLORS 139
#define IDD_PROCESS_OPTIONS 140

// Process Options (dialog 140) and TCP statistics (dialog 102): icon and controls.
#define IDI_OPTIONS 132
#define IDC_STATISTICS_REFRESH 1000
#define IDC_STATISTICS_LIST 1001
#define IDC_LOGGING_INTERVAL 1001
#define IDC_LOG_FILE 1002
#define IDC_BROWSE_LOG_FILE 1003
#define IDC_ENABLE_LOGGING 1011
#define IDC_UPDATE_INTERVAL 1020
#define IDC_WINDOW_ON_TOP 1021

// The program's own commands.
#define ID_CLOSE_CONNECTION 32771
#define ID_KILL_PROCESS 32772
#define ID_ADD_TO_BLACKLIST 32773
#define ID_COPY_ADDRESS 32774
#define ID_KILL_PROCESS_TREE 32775
#define ID_FILE_STATISTICS 32776
#define ID_FILE_REFRESH 32778
#define ID_OPTIONS_PROCESSING 32795
#define ID_OPTIONS_COLORS 32796
#define ID_OPTIONS_BLACKLIST 32797
#define ID_OPTIONS_AUTOUPDATE 32798
#define ID_OPTIONS_ESTABLISHED_ONLY 32799
#define ID_OPTIONS_RESOLVE 32800
#define ID_VIEW_TCP6 32801
#define ID_VIEW_UDP4 32802
#define ID_VIEW_UDP6 32803
#define ID_VIEW_HIGHLIGHT_CHANGES 32804
#define ID_COPY_ROWS 32805
#define ID_EDIT_FIND 32806
#define ID_EDIT_SELECT_ALL 32807
// Sent by the filter box whenever its text changed.
#define ID_FILTER_CHANGED 32808
// The filter box on the toolbar.
#define IDC_FILTER_BOX 1100

// Close Connection's prompt on a row it cannot close.
#define IDS_ONLY_IPV4_TCP_CLOSES 300

// About box (dialog 101) and Colors dialog (dialog 139): their controls and the Colors dialog's icon.
#define IDI_COLORS 133
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
// The maker's home page: the About box's link text and the address the shell opens.
#define PELLORAN_HOME_PAGE "http://www.quintaro.example"
#define IDC_ABOUT_TITLE 1000
#define IDC_HOMEPAGE_LINK 1263
#define IDC_DEFAULT_COLORS 1012
#define IDC_CLOSED_COLOR 1030
#define IDC_ESTABLISHED_COLOR 1031
#define IDC_LISTENING_COLOR 1032
#define IDC_FIN_COLOR 1033
#define IDC_SYN_COLOR 1034
#define IDC_TCB_COLOR 1035
#define IDC_SELECT_COLOR 1036
#define IDC_TIME_WAIT_COLOR 1037
#define IDC_NEW_COLOR 1038
#define IDC_REMOVED_COLOR 1039

// Black List dialog (dialog 134).
#define IDC_BLACKLIST_ENTRY 1001
#define IDC_BLACKLIST_ADD 1002
#define IDC_BLACKLIST_DELETE 1004
#define IDC_BLACKLIST_RELOAD 1005
#define IDC_BLACKLIST_SAVE 1006
#define IDC_ENABLE_BLACKLIST 1011
#define IDC_BLACKLIST_ENTRIES 9876

// The framework's own commands, strings and bar ids (Save, About, Exit, toolbar and status bar, idle text).
#include "../src/framework/AfxRes.h"

#endif
