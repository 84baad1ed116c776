// The LED port as the logic uses it.
#pragma once

#include <string>

// The connect sequence every caller uses: open strPort (9600 baud, 8N1), then clear both lines so
// the LED starts dark until the next tick sets it from the IME status.
bool ConnectPort(const std::wstring& strPort);
