// The tray icon's right-click menu.
#pragma once

#include "windows/system/WinApi.h"

// Shows the menu at pt, owned by hOwner, which receives the chosen command as WM_COMMAND.
void ShowTrayMenu(HWND hOwner, POINT pt);
