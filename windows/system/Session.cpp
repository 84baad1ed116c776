// Starting with Windows: the value "Lumidot" of the current user's Run key holds the quoted path
// of the exe, which is how Explorer starts programs at logon, unless Task Manager's Startup page
// disabled it. The session coming to the screen and leaving it. And the user's language, and
// where the trace lines of a diagnostic build go.
#include "windows/system/Session.h"

#include "core/Platform.h"
#include "windows/system/Win32Calls.h"

#include <cwctype>

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kValueName[] = L"Lumidot";
// Where Task Manager's Startup page keeps its "Disabled" mark for each Run value: binary data whose
// first byte is odd while the entry is disabled (the rest is when it was switched).
const wchar_t kApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// Quoted, so a path with spaces ("C:\Program Files\...") is one command, not a program and
// arguments.
std::wstring ThisExeCommand() { return L"\"" + win32::GetModuleFileName() + L"\""; }

// Windows paths ignore letter case.
bool SameCommand(const std::wstring& strA, const std::wstring& strB)
{
    if (strA.size() != strB.size())
        return false;
    for (std::size_t i = 0; i < strA.size(); ++i)
        if (std::towupper(strA[i]) != std::towupper(strB[i]))
            return false;
    return true;
}

}  // namespace

bool sys::IsStartAtLoginOn()
{
    const std::optional<std::wstring> strCommand = win32::RegGetUserString(kRunKey, kValueName);
    if (!strCommand || !SameCommand(*strCommand, ThisExeCommand()))
        return false;
    const std::optional<std::vector<BYTE>> approval =
        win32::RegGetUserBinary(kApprovedKey, kValueName);
    return !approval || approval->empty() || ((*approval)[0] & 1) == 0;
}

bool sys::SetStartAtLogin(bool bOn)
{
    // Without its mark the entry counts as enabled, which is what the user asked for by ticking
    // the box; unticked, no mark of ours is left behind.
    const bool bUnmarked = win32::RegDeleteUserValue(kApprovedKey, kValueName);
    if (bOn)
        return win32::RegSetUserString(kRunKey, kValueName, ThisExeCommand()) && bUnmarked;
    return win32::RegDeleteUserValue(kRunKey, kValueName);
}

void WatchSessionChanges(HWND hWnd)
{
    win32::WTSRegisterSessionNotification(hWnd, NOTIFY_FOR_THIS_SESSION);
}

void StopWatchingSessionChanges(HWND hWnd) { win32::WTSUnRegisterSessionNotification(hWnd); }

std::optional<bool> SessionActiveOfChange(WPARAM wParam)
{
    switch (wParam) {
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
        return false;
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
        return true;
    default:
        return std::nullopt;
    }
}

void sys::TraceLine(const wchar_t* pszLine) { win32::OutputDebugString(pszLine); }

unsigned int sys::MonotonicMs() { return win32::GetTickCount(); }

// The Windows edition speaks Japanese, as its resources do.
std::wstring sys::LocalText(const wchar_t* pszText) { return pszText; }
