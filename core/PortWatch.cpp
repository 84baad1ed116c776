#include "core/PortWatch.h"

#include "core/ImePoller.h"
#include "core/LedPort.h"
#include "core/Platform.h"
#include "core/Settings.h"

#include <iterator>

namespace {

// The port that was lost and should come back by itself; empty for none.
std::wstring s_strLostPort;

// After a reconnect that found the port busy, the waits before the next tries: five tries in ten
// seconds, long enough for a probe of the new adapter to let go of it.
constexpr unsigned int kRetryWaitsMs[] = {1000, 2000, 3000, 4000};
constexpr int kNoRetry = -1;
int s_nNextRetry = kNoRetry;  // index of the wait before the next try
unsigned int s_nLastTryMs = 0;

// Another session is at the screen: the port is theirs until ours comes back.
bool s_bAway = false;

// The lost port is still closed and still the one the settings name.
bool IsLostPortWanted()
{
    return !s_bAway && !s_strLostPort.empty() && !sys::IsLedPortOpen() &&
           s_strLostPort == ConfiguredPort();
}

// Connects the lost port again; a busy one is tried again after the wait nRetry, if any is left.
void Reconnect(int nRetry)
{
    s_nNextRetry = kNoRetry;
    if (ConnectPort(s_strLostPort)) {
        s_strLostPort.clear();
        RequestRefresh();
        return;
    }
    if (sys::LastOpenWasBusy() && nRetry < static_cast<int>(std::size(kRetryWaitsMs))) {
        s_nNextRetry = nRetry;
        s_nLastTryMs = sys::MonotonicMs();
    }
}

}  // namespace

void OnPortLost()
{
    s_strLostPort = sys::LedPortName();
    sys::CloseLedPort();
    RequestRefresh();
}

void ForgetLostPort()
{
    s_strLostPort.clear();
    s_nNextRetry = kNoRetry;
}

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
    if (strPort.empty() || strPort != s_strLostPort || !IsLostPortWanted())
        return;
    Reconnect(0);
}

void RetryLostPortIfDue()
{
    if (s_nNextRetry == kNoRetry)
        return;
    if (!IsLostPortWanted()) {
        s_nNextRetry = kNoRetry;
        return;
    }
    if (sys::MonotonicMs() - s_nLastTryMs >= kRetryWaitsMs[s_nNextRetry])
        Reconnect(s_nNextRetry + 1);
}

void OnResumeFromSleep()
{
    RequestRefresh();
    PollImeStatus();
    if (IsLostPortWanted()) {
        Reconnect(0);
        PollImeStatus();
    }
}

void OnSessionActive(bool bActive)
{
    if (bActive != s_bAway)
        return;
    s_bAway = !bActive;
    if (!bActive) {
        if (sys::IsLedPortOpen()) {
            ShowLed(false);
            OnPortLost();
        }
        return;
    }
    if (IsLostPortWanted())
        Reconnect(0);
    PollImeStatus();
}
