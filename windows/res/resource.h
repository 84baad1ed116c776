// Resource and command identifiers, shared by the resource script and the code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_MAIN_DIALOG 102
#define IDR_MAINFRAME 128
#define IDI_LAMP_ON 129
#define IDI_LAMP_OFF 130
#define IDI_LAMP_ON_NOPORT 131
#define IDI_LAMP_OFF_NOPORT 132
#define IDR_TRAY_MENU 133
#define IDD_ABOUTBOX 134
#define IDD_PORT_DIALOG 135
#define IDD_SETTING_DIALOG 138

#define ID_MENU_EXIT 1001
#define IDC_HELP_PAGE 1004
#define IDC_ABOUT_TEXT 1005
#define ID_MENU_CONNECT 1006
#define IDC_PORT_COMBO 1007
#define IDC_INTERVAL_COMBO 1020
#define ID_MENU_SETTING 1021
#define IDC_AUTOCONNECT_CHECK 1023
#define IDC_ALNUM_OFF_CHECK 1024
#define IDC_START_AT_LOGIN_CHECK 1025
#define ID_MENU_ABOUT 32771
