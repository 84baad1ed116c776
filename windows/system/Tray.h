// The one tray icon on Windows: four presets (lamp lit or dark, crossed out while no port is
// connected); sys::ShowTrayPreset switches between them.
#pragma once

#include "core/Platform.h"
#include "windows/system/WinApi.h"

#define WM_TRAY_NOTIFY (WM_USER + 100)

using sys::TRAY_OFF_CONNECTED;
using sys::TRAY_OFF_DISCONNECTED;
using sys::TRAY_ON_CONNECTED;
using sys::TRAY_ON_DISCONNECTED;
using sys::TRAY_PRESET_COUNT;

extern NOTIFYICONDATAW g_TrayPresets[TRAY_PRESET_COUNT];

// Fills the four records for hWnd and adds the icon; it starts as TRAY_ON_CONNECTED.
void RegisterTrayPresets(HWND hWnd);
// Removes the icon.
void RemoveTrayPresets();

// "TaskbarCreated": after an Explorer restart the icon is gone and must be added again, but Windows
// also sends it when the display scaling or the monitors change and on a remote-desktop connect,
// while our icon still exists. Either way the icon ends up showing the preset it showed before.
void OnTaskbarCreated();
// Places the icon if the shell has none of ours yet (it wasn't ready at start-up, or it lost the
// icon), at most once every TRAY_RETRY_MS: a busy shell blocks each call for seconds.
void RetryTrayIconIfMissing();

constexpr DWORD TRAY_RETRY_MS = 5000;
