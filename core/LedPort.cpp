#include "core/LedPort.h"

#include "core/Settings.h"

bool ConnectPort(const std::wstring& strPort)
{
    if (!sys::OpenLedPort(strPort))
        return false;
    ShowLed(false);
    return true;
}

sys::LineResult ShowLed(bool bLit)
{
    return sys::SetLedLines(LedLinesOf(g_nLedLines), bLit != (g_nLedInverted == 1));
}

sys::LedLines LedLinesOf(int nLedLines)
{
    switch (nLedLines) {
    case 1:
        return sys::LedLines::Dtr;
    case 2:
        return sys::LedLines::Rts;
    default:
        return sys::LedLines::Both;
    }
}
