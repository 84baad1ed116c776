// The lamp at the text caret on Windows (sys::ShowCaretLamp): a small window that follows the
// caret of the window the user types into, found by GetGUIThreadInfo and, for programs that draw
// their own caret, by its accessible object; beside the mouse pointer where there is none. It
// moves on the caret's location events, not by polling, and hides while a full-screen program is
// in front and while the session is locked.
#pragma once

#include "windows/system/WinApi.h"

// The foreground or the focus moved: the caret is elsewhere, and a full-screen program may have
// come or gone. Nothing happens while there is no lamp.
void FollowCaretLamp(bool bForegroundChanged);
// The session was locked (the lamp hides) or unlocked (it comes back), as WM_WTSSESSION_CHANGE
// tells the window that watches the session.
void OnSessionLock(bool bLocked);
