// Symbols of the launcher's resources: the ids that res/launcher.rc gives
// its images, dialog templates, controls, strings and icon, and that the
// program's code uses to find them. Shared by the resource script and the
// program; nothing else goes in here.
#pragma once

// Images, custom resource type "PNG". There are no images 178 to 180.
#define IDB_BACKGROUND 162
#define IDB_FORUM_HOVER 163
#define IDB_FORUM_NORMAL 164
#define IDB_GUIDE_HOVER 165
#define IDB_GUIDE_NORMAL 166
#define IDB_SERVICE_HOVER 167
#define IDB_SERVICE_NORMAL 168
#define IDB_HOME_HOVER 169
#define IDB_HOME_NORMAL 170
#define IDB_CLOSE_PRESSED 171
#define IDB_CLOSE_HOVER 172
#define IDB_CLOSE_NORMAL 173
#define IDB_FORUM_PRESSED 174
#define IDB_GUIDE_PRESSED 175
#define IDB_SERVICE_PRESSED 176
#define IDB_HOME_PRESSED 177
#define IDB_MIN_PRESSED 181
#define IDB_MIN_HOVER 182
#define IDB_MIN_NORMAL 183

// Dialog templates.
#define IDD_LOGIN_FORE_DIALOG 102
#define IDD_BACK_DIALOG 104

// Controls of the overlay dialog (1004 is not used).
#define IDC_BTN_HOME 1000
#define IDC_BTN_GUIDE 1001
#define IDC_BTN_SERVICE 1002
#define IDC_BTN_FORUM 1003
#define IDC_BTN_CLOSE 1005
#define IDC_BROWSER 1006
#define IDC_BTN_MIN 1007

// Strings.
#define IDS_EXIT_CAPTION 1
#define IDS_EXIT_CONFIRM 131

// The application icon.
#define IDR_MAINFRAME 128
