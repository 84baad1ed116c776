#include "core/PortWatch.h"

#include "core/ImePoller.h"
#include "core/LedPort.h"
#include "core/Platform.h"
#include "core/Settings.h"

namespace {

// The port that was lost and should come back by itself; empty for none.
std::wstring s_strLostPort;

}  // namespace

void OnPortLost()
{
    s_strLostPort = sys::LedPortName();
    sys::CloseLedPort();
    RequestRefresh();
}

void ForgetLostPort() { s_strLostPort.clear(); }

void OnPortDeviceRemoved(const std::wstring& strName)
{
    const std::wstring strPort = sys::CanonicalPortName(strName);
    if (sys::IsLedPortOpen() && !strPort.empty() && strPort == sys::LedPortName())
        OnPortLost();
}

void OnPortDeviceArrived(const std::wstring& strName)
{
    const std::wstring strPort = sys::CanonicalPortName(strName);
    // Another device may take the lost name later, and opening a port toggles DTR, which resets
    // many microcontroller boards: only the port the user still wants comes back.
    if (sys::IsLedPortOpen() || strPort.empty() || strPort != s_strLostPort ||
        strPort != ConfiguredPort())
        return;
    if (ConnectPort(strPort)) {
        s_strLostPort.clear();
        RequestRefresh();
    }
}
