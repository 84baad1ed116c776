// The user's side of the Windows edition that its application asks of itself: which language to
// speak, whether the input method in use calls for the alphanumeric option, and the session coming
// to the screen and leaving it (fast user switching, a remote connection), since the LED belongs
// to the session at the screen.
#pragma once

#include "windows/system/WinApi.h"

#include <optional>

// The language of the menu, the dialogs and the texts: Japanese where Windows shows its own user
// interface in Japanese, English everywhere else. Windows' display language decides, not the
// regional format.
LANGID UiLanguage();

// Whether the settings dialog points at the alphanumeric option: it is off, and the window the
// user types into (ImeTargetWindow) has a Chinese or Korean input method. Those stay open in their English mode, so
// without the option the LED stays lit while the user types Latin letters.
bool NeedsAlnumOffHint(bool bAlnumOff);

// Asks Windows to tell hWnd when its session connects or disconnects (WM_WTSSESSION_CHANGE).
void WatchSessionChanges(HWND hWnd);
void StopWatchingSessionChanges(HWND hWnd);
// What one WM_WTSSESSION_CHANGE says of the session: away from the screen after a disconnect,
// from the console or a remote client, at it again after a connect. A locked session is still
// at the screen: a lock, a log-on and the rest say nothing.
std::optional<bool> SessionActiveOfChange(WPARAM wParam);
