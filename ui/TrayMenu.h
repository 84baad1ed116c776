// The tray icon's right-click menu.
#pragma once

#include "platform/win32/WinApi.h"

// Shows the menu at pt, owned by hOwner, which receives the chosen command as WM_COMMAND.
void ShowTrayMenu(HWND hOwner, POINT pt);
