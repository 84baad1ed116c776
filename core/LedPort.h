// The LED port as the logic uses it.
#pragma once

#include "core/Platform.h"

#include <string>

// The connect sequence every caller uses: open strPort (9600 baud, 8N1), then put the LED's lines
// in the off state, so the LED starts dark until the next tick sets it from the IME status.
bool ConnectPort(const std::wstring& strPort);

// Lights (bLit) or darkens the LED of the open port as the settings wire it: on the chosen lines,
// which are raised to light it, or dropped where it is wired to the supply instead of ground.
sys::LineResult ShowLed(bool bLit);

// The warning that the port did not open: kPortOpenFailed, then on the next lines why, where the
// system told (a port held by another program, rights the user lacks and the group that has them,
// a terminal that is no LED port), in the user's language.
std::wstring PortOpenFailedText();

// The lines a stored LedLines value names: 1 DTR only, 2 RTS only, anything else both.
sys::LedLines LedLinesOf(int nLedLines);
