// The user's session coming to the screen and leaving it, with fast user switching or a remote
// connection: the LED belongs to the session at the screen.
#pragma once

#include "windows/system/WinApi.h"

#include <optional>

// Asks Windows to tell hWnd when its session connects or disconnects (WM_WTSSESSION_CHANGE).
void WatchSessionChanges(HWND hWnd);
void StopWatchingSessionChanges(HWND hWnd);
// What one WM_WTSSESSION_CHANGE says of the session: away from the screen after a disconnect,
// from the console or a remote client, at it again after a connect. A locked session is still
// at the screen: a lock, a log-on and the rest say nothing.
std::optional<bool> SessionActiveOfChange(WPARAM wParam);
