#include "core/ImePoller.h"

#include "core/PortWatch.h"
#include "core/SerialPort.h"
#include "core/Trace.h"
#include "core/TrayIndicator.h"
#include "platform/Platform.h"

int g_nLastOpenStatus = -1;

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
    if (!status)
        return;

    if (*status != g_nLastOpenStatus) {
        TraceChangeState();
        const bool bOn = *status == 1;
        if (g_Port.IsOpen()) {
            // Icon first, then the lines, so the lamp never lags behind the LED.
            ShowTrayPreset(bOn ? TRAY_ON_CONNECTED : TRAY_OFF_CONNECTED);
            if (!g_Port.SetLines(bOn)) {
                // The adapter is gone: let go of it; the next tick shows the crossed lamp.
                OnPortLost();
                return;
            }
        } else {
            ShowTrayPreset(bOn ? TRAY_ON_DISCONNECTED : TRAY_OFF_DISCONNECTED);
        }
    }
    // Remembered raw: a change from 0 to 2 repeats the off actions once.
    g_nLastOpenStatus = *status;
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
