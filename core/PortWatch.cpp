#include "core/PortWatch.h"

#include "core/ImePoller.h"
#include "core/SerialPort.h"
#include "settings/Settings.h"

#include <cwctype>

namespace {

// The port that was lost and should come back by itself; 0 for none.
int s_nLostPort = 0;

// "COM3" (any case, optionally as "\\.\COM3") names port 3; anything else names no port.
int PortNumberOf(const wchar_t* pszName)
{
    if (pszName == nullptr)
        return 0;
    if (pszName[0] == L'\\' && pszName[1] == L'\\' && pszName[2] == L'.' && pszName[3] == L'\\')
        pszName += 4;
    if (std::towupper(pszName[0]) != L'C' || std::towupper(pszName[1]) != L'O' ||
        std::towupper(pszName[2]) != L'M')
        return 0;
    int nPort = 0;
    const wchar_t* p = pszName + 3;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        nPort = nPort * 10 + (*p - L'0');
        if (nPort > 255)  // beyond any COM number Windows assigns
            return 0;
    }
    return (p != pszName + 3 && *p == L'\0') ? nPort : 0;
}

}  // namespace

void OnPortLost()
{
    s_nLostPort = g_Port.GetPortNumber();
    g_Port.Close();
    RequestRefresh();
}

void ForgetLostPort() { s_nLostPort = 0; }

void OnPortDeviceRemoved(const wchar_t* pszPortName)
{
    const int nPort = PortNumberOf(pszPortName);
    if (g_Port.IsOpen() && nPort != 0 && nPort == g_Port.GetPortNumber())
        OnPortLost();
}

void OnPortDeviceArrived(const wchar_t* pszPortName)
{
    const int nPort = PortNumberOf(pszPortName);
    // Another device may take the lost number later, and opening a port toggles DTR, which resets
    // many microcontroller boards: only the port the user still wants comes back.
    if (g_Port.IsOpen() || nPort == 0 || nPort != s_nLostPort || nPort != g_nPortNumber)
        return;
    if (ConnectPort(nPort)) {
        s_nLostPort = 0;
        RequestRefresh();
    }
}
