// The one tray icon: four presets (lamp lit or dark, crossed out while no port is connected).
#pragma once

#include "platform/WinApi.h"

#define WM_TRAY_NOTIFY (WM_USER + 100)

enum {
    TRAY_ON_CONNECTED = 0,
    TRAY_OFF_CONNECTED = 1,
    TRAY_ON_DISCONNECTED = 2,
    TRAY_OFF_DISCONNECTED = 3,
    TRAY_PRESET_COUNT = 4
};

extern NOTIFYICONDATAW g_TrayPresets[TRAY_PRESET_COUNT];

// Fills the four records for hWnd and adds the icon; it starts as TRAY_ON_CONNECTED.
void RegisterTrayPresets(HWND hWnd);
// Switches the icon's picture and tip to preset nPreset.
void ShowTrayPreset(int nPreset);
// Removes the icon.
void RemoveTrayPresets();

// The taskbar was (re)created, after an Explorer restart or a late start of the shell: the icon is
// gone and must be added again, showing the preset it showed before.
void OnTaskbarCreated();
// Adds the icon again if no add has succeeded yet (the shell wasn't ready at start-up).
void RetryTrayIconIfMissing();
