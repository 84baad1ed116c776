// The one tick of the Windows edition: the poll timer's, and the one a window coming to the front
// runs at once, so the lamp and the LED follow a switch of windows without waiting for the poll.
#pragma once

#include "windows/system/WinApi.h"

// Puts the tray icon back if the shell lost it, then polls the IME.
void RunTick();

// The foreground WinEvent hook's callback: a window (not an object inside one) took the
// foreground. Polling stays for switches of the IME inside one window, which raise no event.
void OnWinEvent(DWORD dwEvent, HWND hWnd, LONG idObject, LONG idChild);
