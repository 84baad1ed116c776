// The user's session coming to the screen and leaving it, with fast user switching or a remote
// connection: the LED belongs to the session at the screen.
#pragma once

#include "windows/system/WinApi.h"

// Asks Windows to tell hWnd when its session connects or disconnects (WM_WTSSESSION_CHANGE).
void WatchSessionChanges(HWND hWnd);
void StopWatchingSessionChanges(HWND hWnd);
// One WM_WTSSESSION_CHANGE: a disconnect, from the console or a remote client, lets the LED port
// go; a connect takes it back. A locked session is still at the screen: a lock, a log-on and the
// rest change nothing.
void OnSessionChange(WPARAM wParam);
