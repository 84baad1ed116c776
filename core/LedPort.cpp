#include "core/LedPort.h"

#include "core/Platform.h"

bool ConnectPort(const std::wstring& strPort)
{
    if (!sys::OpenLedPort(strPort))
        return false;
    sys::SetLedLines(false);
    return true;
}
