// The poll tick: reads the IME status of the foreground window and, only when it changed, switches
// the tray lamp and the LED lines to match.
#pragma once

#include <optional>

// The raw status the last tick read; -1 means "no reading yet" and makes the next tick act.
extern int g_nLastOpenStatus;

// Makes the next tick show the lamp and drive the lines even if the IME status did not change:
// after the port or the settings changed.
void RequestRefresh();

// The status a tick works with: the IME's open status as read, except that with bAlnumOff an open
// IME typing alphanumerics (half- or full-width) counts as off (0). Nothing when the IME did not
// answer in time.
std::optional<int> ReadTypingStatus(bool bAlnumOff);

// One tick: of the poll timer, or of anything else that wants the lamp and the LED up to date now.
// A busy lost port whose wait is over is tried again first (core/PortWatch.h).
void PollImeStatus();

// The poll timer's period for a stored UpdateTime (units of 100 ms). The stored value is used as
// read, but a product of 0 or below would mean a busy loop or a dead timer, so it polls at the
// default 500 ms instead; a product beyond the system's longest timer is cut to it.
unsigned int PollPeriodMs(int nUpdateTime);
