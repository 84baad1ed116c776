#include "windows/system/Ime.h"

#include "core/Platform.h"
#include "windows/system/Win32Calls.h"

#include <cwchar>

#ifdef LUMIDOT_TRACE
#include <cstdint>
#endif

namespace {

#ifdef LUMIDOT_TRACE
void TraceQuery(HWND hWnd, HWND hIme, int nStatus)
{
    wchar_t szLine[96];
    std::swprintf(szLine, 96, L"hWnd:0x%08X hIme=0x%08X Status=0x%08X\r\n",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(hWnd)),
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(hIme)),
                  static_cast<unsigned>(nStatus));
    sys::TraceLine(szLine);
}
#else
void TraceQuery(HWND, HWND, int) {}
#endif

// One WM_IME_CONTROL question to an IME window. The IME window belongs to the foreground
// application's thread: if that application hangs, an unbounded send would hang Lumidot with it,
// so a hung or slow answer is skipped instead and asked again at the next tick.
std::optional<int> AskImeWindow(HWND hIme, WPARAM wCommand)
{
    DWORD_PTR dwResult = 0;
    if (!win32::SendMessageTimeout(hIme, WM_IME_CONTROL, wCommand, 0, SMTO_ABORTIFHUNG,
                                   IME_QUERY_TIMEOUT_MS, &dwResult))
        return std::nullopt;
    // A 32-bit value carried in a pointer-sized result; kept raw.
    return static_cast<int>(static_cast<DWORD>(dwResult));
}

std::optional<sys::ImeReading> QueryIme(HWND hWnd, bool bWithMode)
{
    sys::ImeReading reading;
    HWND hIme = win32::ImmGetDefaultIMEWnd(hWnd);
    if (hIme == nullptr) {
        TraceQuery(hWnd, hIme, 0);
        return reading;
    }
    // No answer (a hung or slow application, or an elevated one that User Interface Privilege
    // Isolation keeps us from asking) tells nothing about its IME: the last reading stays.
    std::optional<int> status = AskImeWindow(hIme, IMC_GETOPENSTATUS);
    if (!status)
        return std::nullopt;
    TraceQuery(hWnd, hIme, *status);
    reading.nOpenStatus = *status;
    // The mode matters only while the IME is open.
    if (bWithMode && *status == 1) {
        std::optional<int> mode = AskImeWindow(hIme, IMC_GETCONVERSIONMODE);
        if (!mode)
            return std::nullopt;
        // Full-width alphanumerics (IME_CMODE_FULLSHAPE without IME_CMODE_NATIVE) are alphanumerics
        // too: the user is not typing Japanese.
        reading.bNative = (*mode & IME_CMODE_NATIVE) != 0;
    }
    return reading;
}

bool IsClass(const wchar_t* pszClass, const wchar_t* pszName) { return std::wcscmp(pszClass, pszName) == 0; }

// Windows of the shell that come to the front while nobody types into them: Alt+Tab and task
// view, the hand-over of an activation, a click on the taskbar. Reading them would flash the LED
// off and on again.
bool IsTransientShellWindow(const wchar_t* pszClass)
{
    static const wchar_t* const kClasses[] = {
        L"XamlExplorerHostIslandWindow", L"MultitaskingViewFrame", L"TaskSwitcherWnd",
        L"ForegroundStaging", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"};
    for (const wchar_t* pszName : kClasses)
        if (IsClass(pszClass, pszName))
            return true;
    return false;
}

// A window keeps its class and its thread for life: they are asked again only when another window
// is in front, so that a steady tick asks the system no more than it must.
HWND s_hKnown = nullptr;
bool s_bTransient = false, s_bUwpFrame = false;
DWORD s_dwThread = 0;

}  // namespace

void ForgetForegroundWindow() { s_hKnown = nullptr; }

HWND ImeTargetWindow()
{
    HWND hForeground = win32::GetForegroundWindow();
    if (hForeground == nullptr)
        return nullptr;
    if (hForeground != s_hKnown) {
        // Longer than any class compared here; a longer name cut short matches none of them.
        wchar_t szClass[64];
        if (win32::GetClassName(hForeground, szClass, 64) == 0)
            szClass[0] = L'\0';
        s_bTransient = IsTransientShellWindow(szClass);
        s_bUwpFrame = IsClass(szClass, L"ApplicationFrameWindow");
        s_dwThread = win32::GetWindowThreadId(hForeground);
        s_hKnown = hForeground;
    }
    if (s_bTransient)
        return nullptr;
    HWND hFocus = win32::GetFocusOfThread(s_dwThread);
    // A UWP app's frame belongs to ApplicationFrameHost; its text is typed into the CoreWindow
    // child, which belongs to the app's own process.
    if ((hFocus == nullptr || hFocus == hForeground) && s_bUwpFrame) {
        if (HWND hCore = win32::FindChildWindow(hForeground, L"Windows.UI.Core.CoreWindow"))
            return hCore;
    }
    // No focus: a console (conhost reports none), a window without a focused control.
    return hFocus != nullptr ? hFocus : hForeground;
}

std::optional<int> QueryImeOpenStatus(HWND hWnd)
{
    std::optional<sys::ImeReading> reading = QueryIme(hWnd, false);
    if (!reading)
        return std::nullopt;
    return reading->nOpenStatus;
}

std::optional<sys::ImeReading> sys::ReadImeState(bool bWithMode)
{
    // Never ask with a null window: ImmGetDefaultIMEWnd(NULL) answers with Lumidot's own IME.
    HWND hTarget = ImeTargetWindow();
    if (hTarget == nullptr)
        return std::nullopt;
    return QueryIme(hTarget, bWithMode);
}
