// The one tick of the Windows edition: the poll timer's, and the ones the system's events run at
// once, so the lamp and the LED follow a switch of windows, of the focus or of the IME without
// waiting for the poll, which stays as the safety net.
#pragma once

#include "windows/system/WinApi.h"

// Puts the tray icon back if the shell lost it, then polls the IME.
void RunTick();

// The WinEvent hooks' callback: a window took the foreground, the keyboard focus moved (into
// another window, thread or program), or an IME changed its state.
void OnWinEvent(DWORD dwEvent, HWND hWnd, LONG idObject, LONG idChild);

// Whether a key switches an IME (or its mode) on Japanese, Chinese or Korean keyboards.
bool IsImeKey(DWORD dwVirtualKey);
// The IME handles its key after every hook has seen it, and takes its time: after such a key the
// IME is read again a few times. These give the delays, in milliseconds, until the first read and
// from each read to the next; 0 when the reads are done.
unsigned int OnImeKeySeen();
unsigned int OnReadAfterImeKey();
