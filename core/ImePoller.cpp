#include "core/ImePoller.h"

#include "core/PortWatch.h"
#include "core/SerialPort.h"
#include "core/Trace.h"
#include "core/TrayIndicator.h"
#include "platform/Platform.h"

int g_nLastOpenStatus = -1;

void RequestRefresh() { g_nLastOpenStatus = -1; }

std::optional<int> QueryImeOpenStatus(HWND hWnd)
{
    HWND hIme = sys::ImmGetDefaultIMEWnd(hWnd);
    if (hIme == nullptr) {
        TraceQuery(hWnd, hIme, 0);
        return 0;
    }
    // The IME window belongs to the foreground application's thread. If that application hangs,
    // an unbounded send would hang Lumidot with it; a hung or slow answer is skipped instead and
    // asked again at the next tick.
    DWORD_PTR dwResult = 0;
    if (!sys::SendMessageTimeout(hIme, WM_IME_CONTROL, IMC_GETOPENSTATUS, 0, SMTO_ABORTIFHUNG,
                                 IME_QUERY_TIMEOUT_MS, &dwResult))
        return std::nullopt;
    // The status is a 32-bit value carried in a pointer-sized result; keep it raw.
    int nStatus = static_cast<int>(static_cast<DWORD>(dwResult));
    TraceQuery(hWnd, hIme, nStatus);
    return nStatus;
}

void PollImeStatus()
{
    RetryTrayIconIfMissing();

    std::optional<int> status = QueryImeOpenStatus(sys::GetForegroundWindow());
    if (!status || *status == g_nLastOpenStatus)
        return;

    // Remembered raw (a change from 0 to 2 repeats the off actions once), and before acting: the
    // shell and the line calls can run messages sent to us meanwhile (a device arrival), and a
    // refresh they request must outlive this tick.
    g_nLastOpenStatus = *status;
    TraceChangeState();
    const bool bOn = *status == 1;
    if (!g_Port.IsOpen()) {
        ShowTrayPreset(bOn ? TRAY_ON_DISCONNECTED : TRAY_OFF_DISCONNECTED);
        return;
    }
    // Icon first, then the lines, so the lamp never lags behind the LED.
    ShowTrayPreset(bOn ? TRAY_ON_CONNECTED : TRAY_OFF_CONNECTED);
    // A message handled during the shell call may have closed the port; the refresh it asked for
    // puts things right at the next tick.
    if (g_Port.IsOpen() && g_Port.SetLines(bOn) == LineResult::Gone) {
        // The adapter is gone: let go of it; the next tick shows the crossed lamp.
        OnPortLost();
    }
}

UINT PollPeriodMs(int nUpdateTime)
{
    constexpr long long kDefaultMs = 500;
    constexpr long long kLongestMs = 0x7FFFFFFF;  // USER_TIMER_MAXIMUM
    long long llPeriod = static_cast<long long>(nUpdateTime) * 100;
    if (llPeriod <= 0)
        llPeriod = kDefaultMs;
    if (llPeriod > kLongestMs)
        llPeriod = kLongestMs;
    return static_cast<UINT>(llPeriod);
}
