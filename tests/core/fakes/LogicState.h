// The shared logic's memory as a fresh start finds it: every setting at its default, no IME
// reading yet, no lost port, the session at the screen. Each fixture that runs the logic resets it
// before and after a test.
#pragma once

#include "core/ImePoller.h"
#include "core/PortWatch.h"
#include "core/Settings.h"

inline void ResetLogicState()
{
    ForgetLostPort();
    OnSessionActive(true);
    g_nPortNumber = 1;
    g_nUpdateTime = 5;
    g_nAutoConnect = 0;
    g_nAlnumOff = 0;
    g_strPortDevice.clear();
    g_nLedLines = 0;
    g_nLedInverted = 0;
    g_nLastOpenStatus = -1;
}
