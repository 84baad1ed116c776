#include "windows/app/IndicatorDlg.h"

#include "core/Commands.h"
#include "core/ImePoller.h"
#include "core/PortWatch.h"
#include "windows/app/AboutDlg.h"
#include "windows/app/PortDlg.h"
#include "windows/app/SettingDlg.h"
#include "windows/app/Tick.h"
#include "windows/app/TrayMenu.h"
#include "windows/res/resource.h"
#include "windows/system/DeviceEvents.h"
#include "windows/system/Ports.h"
#include "windows/system/Tray.h"

#include <dbt.h>

CResource<HANDLE, ::CloseHandle> g_hMutex;

namespace {

const wchar_t kMutexName[] = L"Lumidot Viewer for Windows";
const UINT_PTR kPollTimer = 1;
// Runs the reads that follow an IME key.
const UINT_PTR kImeKeyTimer = 2;
// Posted by the keyboard hook when an IME key went down.
const UINT WM_IME_KEY_SEEN = WM_APP + 1;

// The main dialog, for the keyboard hook, which has no other way to reach it.
HWND s_hMain = nullptr;

// Sent to every top-level window when the taskbar is created, after an Explorer restart too.
const UINT s_uTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");

// The button a dialog or message box returned, as the commands know it.
Answer AnswerOf(INT_PTR nResult)
{
    switch (nResult) {
    case IDOK:
        return Answer::Ok;
    case IDYES:
        return Answer::Yes;
    case IDNO:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

}  // namespace

CIndicatorDlg::CIndicatorDlg()
    : CDialog(IDD_MAIN_DIALOG), m_hIcon(AfxGetApp()->LoadIcon(IDR_MAINFRAME)), m_lifecycle(*this)
{
}

BOOL CIndicatorDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    if (!m_lifecycle.StartUp()) {
        // Hidden first: the template is visible and would flash up while the dialog ends.
        Hide();
        OnOK();
        return TRUE;
    }
    // Out of context, the hooks' callbacks run on this thread while it takes its messages, like
    // a timer tick. Windows sends these events for every process; Wine sends no foreground event
    // and none at all inside its virtual desktop, where the poll alone follows.
    const DWORD kEvents[] = {EVENT_SYSTEM_FOREGROUND, EVENT_OBJECT_FOCUS, EVENT_OBJECT_IME_CHANGE};
    for (size_t i = 0; i < kEventHooks; ++i)
        m_hEventHooks[i].Reset(::SetWinEventHook(kEvents[i], kEvents[i], nullptr, WinEventProc, 0,
                                                 0, WINEVENT_OUTOFCONTEXT));
    // An IME key switches the IME inside the window, which no event announces on most systems.
    // The hook sees only the key's code, keeps nothing and only posts a message.
    s_hMain = m_hWnd;
    m_hKeyHook.Reset(
        ::SetWindowsHookExW(WH_KEYBOARD_LL, KeyHookProc, ::GetModuleHandleW(nullptr), 0));
    Hide();
    return TRUE;
}

bool CIndicatorDlg::ClaimInstance()
{
    HANDLE hMutex = ::CreateMutexW(nullptr, TRUE, kMutexName);
    const DWORD dwError = ::GetLastError();
    g_hMutex.Reset(hMutex);
    return dwError != ERROR_ALREADY_EXISTS;
}

void CIndicatorDlg::ReleaseInstance() { g_hMutex.Reset(); }

void CIndicatorDlg::AddTrayIcon()
{
    // An elevated Lumidot would not hear from Explorer, which runs unelevated, that the taskbar
    // came back: let that one message through.
    ::ChangeWindowMessageFilterEx(m_hWnd, s_uTaskbarCreated, MSGFLT_ALLOW, nullptr);
    RegisterTrayPresets(m_hWnd);
}

void CIndicatorDlg::RemoveTrayIcon() { RemoveTrayPresets(); }

void CIndicatorDlg::Hide()
{
    // A tool window without WS_EX_APPWINDOW has no taskbar button and no Alt+Tab entry, and a
    // window of no size has nothing to draw even if something showed it.
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                        ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & ~LONG_PTR{WS_EX_APPWINDOW});
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_HIDEWINDOW);
}

BOOL CIndicatorDlg::PreTranslateMessage(MSG* pMsg)
{
    // The dialog manager turns Enter and Escape into OK and Cancel, which would end the program.
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE))
        return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

INT_PTR CIndicatorDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (::IsIconic(m_hWnd)) {
            OnPaint();
            return TRUE;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_WINDOWPOSCHANGING:
        // The template is visible, so the dialog manager shows the window again once
        // WM_INITDIALOG returns. Refuse that: a visible window, even of no size, gets a taskbar
        // button from some shells, tool window or not.
        reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
        break;
    case WM_TIMER:
        OnTimer(static_cast<UINT>(wParam));
        break;
    case WM_IME_KEY_SEEN:
        if (m_lifecycle.IsRunning())
            ::SetTimer(m_hWnd, kImeKeyTimer, OnImeKeySeen(), nullptr);
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_TRAY_NOTIFY: {
        POINT pt;
        ::GetCursorPos(&pt);
        if (lParam == WM_RBUTTONUP) {
            if (IsCommandRunning())
                ActivateRunningCommand();
            else
                ShowTrayMenu(m_hWnd, pt);
        }
        break;
    }
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam, lParam);
        break;
    case WM_POWERBROADCAST:
        // Sent on every wake from sleep, whether a user is there or not: the adapter may have lost
        // its lines meanwhile, or been reset under our handle.
        if (wParam == PBT_APMRESUMEAUTOMATIC && m_lifecycle.IsRunning())
            OnResumeFromSleep();
        break;
    case WM_ENDSESSION:
        // The session ends (log off, shut down): Windows ends the program after this message
        // without destroying its windows, so this is the last chance to save and let go.
        if (wParam) {
            UnhookAll();
            m_lifecycle.ShutDown();
            OnOK();
        }
        break;
    default:
        if (message == s_uTaskbarCreated && m_lifecycle.IsRunning())
            OnTaskbarCreated();
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CIndicatorDlg::OnCommand(UINT nID)
{
    void (CIndicatorDlg::*pHandler)() = nullptr;
    // One table from menu command to handler.
    // clang-format off
    switch (nID) {
    case ID_MENU_CONNECT: pHandler = &CIndicatorDlg::OnMenuConnect; break;
    case ID_MENU_SETTING: pHandler = &CIndicatorDlg::OnMenuSetting; break;
    case ID_MENU_ABOUT: pHandler = &CIndicatorDlg::OnMenuAbout; break;
    case ID_MENU_EXIT: pHandler = &CIndicatorDlg::OnMenuExit; break;
    default: return CDialog::OnCommand(nID);
    }
    // clang-format on
    if (IsCommandRunning())
        ActivateRunningCommand();
    else
        (this->*pHandler)();
    return TRUE;
}

void CIndicatorDlg::OnMenuConnect() { ConnectCommand(*this); }
void CIndicatorDlg::OnMenuSetting() { SettingCommand(*this); }
void CIndicatorDlg::OnMenuAbout() { AboutCommand(*this); }
void CIndicatorDlg::OnMenuExit() { ExitCommand(*this); }

void CIndicatorDlg::ActivateRunningCommand()
{
    // The enabled window of ours that is not the main dialog is the one waiting for the user: a
    // dialog, or the question it asked (which disables the dialog under it).
    struct Search {
        HWND hMain;
        HWND hFound;
    } search{m_hWnd, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* pSearch = reinterpret_cast<Search*>(lParam);
            if (hWnd != pSearch->hMain && ::IsWindowVisible(hWnd) && ::IsWindowEnabled(hWnd)) {
                pSearch->hFound = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.hFound != nullptr)
        ::SetForegroundWindow(search.hFound);
}

void CIndicatorDlg::OnDeviceChange(WPARAM wParam, LPARAM lParam)
{
    if (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE)
        return;
    std::optional<std::wstring> strPort =
        PortNameOfDeviceBroadcast(reinterpret_cast<const void*>(lParam));
    if (!strPort)
        return;
    if (wParam == DBT_DEVICEARRIVAL)
        OnPortDeviceArrived(*strPort);
    else
        OnPortDeviceRemoved(*strPort);
}

Answer CIndicatorDlg::DoPortDialog(std::wstring& strPort)
{
    CPortDlg dlg(CComPortList::Read());
    dlg.m_strPort = strPort;
    const INT_PTR nResult = dlg.DoModal();
    if (nResult == IDOK)
        strPort = dlg.m_strPort;
    return AnswerOf(nResult);
}

Answer CIndicatorDlg::DoSettingDialog(SettingChoices& choices)
{
    CSettingDlg dlg(CComPortList::Read());
    dlg.m_nIntervalIndex = choices.nIntervalIndex;
    dlg.m_strPort = choices.strPort;
    dlg.m_bAutoConnect = choices.bAutoConnect;
    dlg.m_bAlnumOff = choices.bAlnumOff;
    dlg.m_bStartAtLogin = choices.bStartAtLogin;
    dlg.m_nLedLines = choices.nLedLines;
    dlg.m_bLedInverted = choices.bLedInverted;
    const INT_PTR nResult = dlg.DoModal();
    if (nResult == IDOK) {
        choices.nIntervalIndex = dlg.m_nIntervalIndex;
        choices.strPort = dlg.m_strPort;
        choices.bAutoConnect = dlg.m_bAutoConnect;
        choices.bAlnumOff = dlg.m_bAlnumOff;
        choices.bStartAtLogin = dlg.m_bStartAtLogin;
        choices.nLedLines = dlg.m_nLedLines;
        choices.bLedInverted = dlg.m_bLedInverted;
    }
    return AnswerOf(nResult);
}

void CIndicatorDlg::DoAboutDialog(const std::wstring& strText, const std::wstring& strHelpUrl)
{
    CAboutDlg dlg(*this);
    dlg.m_strText = strText;
    dlg.m_strHelpUrl = strHelpUrl;
    dlg.DoModal();
}

Answer CIndicatorDlg::ShowMessageBox(const std::wstring& strText, MessageKind kind)
{
    const UINT nType =
        kind == MessageKind::Question ? MB_YESNO | MB_ICONQUESTION : MB_OK | MB_ICONEXCLAMATION;
    return AnswerOf(AfxMessageBox(strText, nType));
}

void CIndicatorDlg::StopPollTimer() { ::KillTimer(m_hWnd, kPollTimer); }

void CIndicatorDlg::StartPollTimer(unsigned int nPeriodMs)
{
    ::SetTimer(m_hWnd, kPollTimer, nPeriodMs, nullptr);
}

void CIndicatorDlg::EndProgram() { OnOK(); }

void CIndicatorDlg::OpenInBrowser(const std::wstring& strUrl)
{
    ::ShellExecuteW(nullptr, nullptr, strUrl.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CIndicatorDlg::OnPaint()
{
    CPaintDC dc(this);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    ::GetClientRect(m_hWnd, &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    ::DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
}

void CIndicatorDlg::OnTimer(UINT nIDEvent)
{
    if (nIDEvent != kImeKeyTimer) {
        RunTick();
        return;
    }
    const unsigned int nNextMs = OnReadAfterImeKey();
    if (nNextMs == 0)
        ::KillTimer(m_hWnd, kImeKeyTimer);
    else
        ::SetTimer(m_hWnd, kImeKeyTimer, nNextMs, nullptr);
}

void CALLBACK CIndicatorDlg::WinEventProc(HWINEVENTHOOK, DWORD dwEvent, HWND hWnd, LONG idObject,
                                          LONG idChild, DWORD, DWORD)
{
    OnWinEvent(dwEvent, hWnd, idObject, idChild);
}

LRESULT CALLBACK CIndicatorDlg::KeyHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    // Windows drops a hook that keeps the keyboard waiting: nothing here but a post.
    if (nCode == HC_ACTION && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN) &&
        IsImeKey(reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)->vkCode))
        ::PostMessageW(s_hMain, WM_IME_KEY_SEEN, 0, 0);
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void CIndicatorDlg::UnhookAll()
{
    m_hKeyHook.Reset();
    for (auto& hHook : m_hEventHooks)
        hHook.Reset();
    ::KillTimer(m_hWnd, kImeKeyTimer);
}

void CIndicatorDlg::OnDestroy()
{
    UnhookAll();
    m_lifecycle.ShutDown();
}
