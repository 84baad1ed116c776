#include "core/Lifecycle.h"

#include "core/ImePoller.h"
#include "core/LedPort.h"
#include "core/Platform.h"
#include "core/Settings.h"

bool CLifecycle::StartUp()
{
    // Even a refused claim leaves something to release (the handle of the other one's name).
    m_bClaimed = true;
    if (!m_host.ClaimInstance())
        return false;
    m_bStarted = true;
    LoadSettings();
    m_host.AddTrayIcon();
    if (g_nAutoConnect == 1)
        ConnectPort(ConfiguredPort());
    m_host.StartPollTimer(PollPeriodMs(g_nUpdateTime));
    return true;
}

void CLifecycle::ShutDown()
{
    if (m_bStarted) {
        m_bStarted = false;
        // At the end of a session the program goes on running a little after this: no tick may
        // put the icon back or touch the port.
        m_host.StopPollTimer();
        m_host.RemoveTrayIcon();
        // No line is set here: the close leaves the LED dark where the system lets it
        // (SetLedLinesAtClose), and Windows' drivers drop the lines anyway.
        sys::CloseLedPort();
        SaveSettings();
    }
    if (m_bClaimed) {
        m_bClaimed = false;
        m_host.ReleaseInstance();
    }
}
