// The IME the user types into, and its status, asked of that window's default IME window.
//
// Which window is asked, one row per case, tried from the top:
//
// | window in front                                  | focus of its thread     | window asked       |
// |--------------------------------------------------|-------------------------|--------------------|
// | none (activation changing, lock screen, UAC)     |                         | none: last reading |
// | the shell's: Alt+Tab, task view, taskbar, an     |                         | none: last reading |
// |   activation hand-over (IsTransientShellWindow)  |                         |                    |
// | a UWP frame (ApplicationFrameWindow)             | none, or the frame      | its CoreWindow     |
// | any                                              | a window                | the focus window   |
// | any (a console: conhost reports no focus)        | none                    | the window itself  |
//
// And what its IME window says:
//
// | answer                                                        | reading            |
// |---------------------------------------------------------------|--------------------|
// | no IME window (another process's under Wine)                  | off                |
// | no answer in time, hung, or refused (an elevated window)      | none: last reading |
// | the open status (and, when asked, the conversion mode)        | as it says         |
#pragma once

#include "windows/system/WinApi.h"

#include <optional>

// How long a tick waits for the foreground application's IME window to answer.
constexpr UINT IME_QUERY_TIMEOUT_MS = 100;

// The window whose IME the user types into, by the table above; null when there is none to ask.
HWND ImeTargetWindow();
// Forgets the class and thread learnt of the window in front, as if another one had come: for
// tests, whose fake hands one handle to one window after another.
void ForgetForegroundWindow();

// The IME open status of hWnd's default IME window (1 means open), or nothing when that window did
// not answer in time. A window without an IME window reads as 0.
std::optional<int> QueryImeOpenStatus(HWND hWnd);
