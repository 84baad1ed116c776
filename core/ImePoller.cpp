#include "core/ImePoller.h"

#include "core/LedPort.h"
#include "core/Platform.h"
#include "core/PortWatch.h"
#include "core/Settings.h"
#include "core/Trace.h"

using sys::LineResult;

int g_nLastOpenStatus = -1;

namespace {

// Ticks are numbered as they start. A tick can run inside another one's IME query: the query
// waits for the foreground application's answer while messages keep coming in, and a window
// switch meanwhile runs the tick of the new window. The inner tick read the newer state, so the
// outer one's reading, of the window that was in front before, must not be applied after it.
unsigned long long s_nTicksStarted = 0;
unsigned long long s_nNewestReading = 0;

// The tray lamp, then the lamp at the caret where the user wants one.
void ShowLamps(bool bOn, int nOnPreset, int nOffPreset)
{
    sys::ShowTrayPreset(bOn ? nOnPreset : nOffPreset);
    if (g_nCaretLamp == 1)
        sys::ShowCaretLamp(bOn ? sys::CaretLamp::Lit : sys::CaretLamp::Dark);
}

}  // namespace

void RequestRefresh() { g_nLastOpenStatus = -1; }

std::optional<int> ReadTypingStatus(bool bAlnumOff)
{
    // The mode is asked only when it matters, so the plain setting costs what it always did.
    std::optional<sys::ImeReading> reading = sys::ReadImeState(bAlnumOff);
    if (!reading)
        return std::nullopt;
    if (bAlnumOff && reading->nOpenStatus == 1 && !reading->bNative)
        return 0;
    return reading->nOpenStatus;
}

void PollImeStatus()
{
    RetryLostPortIfDue();
    const unsigned long long nTick = ++s_nTicksStarted;
    const std::optional<int> status = ReadTypingStatus(g_nAlnumOff == 1);
    if (!status || nTick < s_nNewestReading)
        return;
    s_nNewestReading = nTick;
    if (*status == g_nLastOpenStatus)
        return;
    const int nStatus = *status;

    // Remembered raw (a change from 0 to 2 repeats the off actions once), and before acting: the
    // shell and the line calls can run messages sent to us meanwhile (a device arrival), and a
    // refresh they request must outlive this tick.
    g_nLastOpenStatus = nStatus;
    TraceChangeState();
    const bool bOn = nStatus == 1;
    if (!sys::IsLedPortOpen()) {
        ShowLamps(bOn, sys::TRAY_ON_DISCONNECTED, sys::TRAY_OFF_DISCONNECTED);
        return;
    }
    // The lamps first, then the lines, so the lamps never lag behind the LED.
    ShowLamps(bOn, sys::TRAY_ON_CONNECTED, sys::TRAY_OFF_CONNECTED);
    // A message handled during the shell call may have closed the port; the refresh it asked for
    // puts things right at the next tick.
    if (sys::IsLedPortOpen() && ShowLed(bOn) == LineResult::Gone) {
        // The adapter is gone: let go of it; the next tick shows the crossed lamp.
        OnPortLost();
    }
}

unsigned int PollPeriodMs(int nUpdateTime)
{
    constexpr long long kDefaultMs = 500;
    constexpr long long kLongestMs = 0x7FFFFFFF;  // the longest timer Windows allows
    long long llPeriod = static_cast<long long>(nUpdateTime) * 100;
    if (llPeriod <= 0)
        llPeriod = kDefaultMs;
    if (llPeriod > kLongestMs)
        llPeriod = kLongestMs;
    return static_cast<unsigned int>(llPeriod);
}
