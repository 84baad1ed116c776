// The poll tick: reads the IME status of the foreground window and, only when it changed, switches
// the tray lamp and the LED lines to match.
#pragma once

#include "platform/WinApi.h"

#include <optional>

// The raw status the last tick read; -1 means "no reading yet" and makes the next tick act.
extern int g_nLastOpenStatus;

// Makes the next tick show the lamp and drive the lines even if the IME status did not change:
// after the port or the settings changed.
void RequestRefresh();

// How long a tick waits for the foreground application's IME window to answer.
constexpr UINT IME_QUERY_TIMEOUT_MS = 100;

// The IME open status of hWnd's default IME window (1 means open), or nothing when that window did
// not answer in time. A window without an IME window reads as 0.
std::optional<int> QueryImeOpenStatus(HWND hWnd);

// One tick of timer 1.
void PollImeStatus();

// Timer 1's period for a stored UpdateTime (units of 100 ms). The stored value is used as read, but
// a product of 0 or below would mean a busy loop or a dead timer, so it polls at the default
// 500 ms instead; a product beyond the system's longest timer is cut to it.
UINT PollPeriodMs(int nUpdateTime);
