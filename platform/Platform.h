// The seam between Lumidot's logic and the operating system.
//
// Everything the logic needs from Windows goes through these few functions. The exe links the real
// implementations (platform/win32/); the unit tests link recording fakes (tests/fakes/), so a test
// can assert exactly what was asked of the system and in which order. Keep this list to what the
// program actually uses.
#pragma once

#include "platform/WinApi.h"

#include <string>

namespace sys {

// --- IME status of the foreground window ---
HWND GetForegroundWindow();
HWND ImmGetDefaultIMEWnd(HWND hWnd);
// SendMessageTimeoutW: false when the call failed or timed out, with *pResult untouched.
bool SendMessageTimeout(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                        UINT uTimeoutMs, DWORD_PTR* pResult);

// --- Tray icon ---
BOOL Shell_NotifyIcon(DWORD dwMessage, NOTIFYICONDATAW* pData);
// Loads an icon group from the exe's resources at the tray's (small-icon) size.
HICON LoadTrayIcon(UINT nResourceId);

// --- Serial port ---
HANDLE CreateFile(const wchar_t* pszName, DWORD dwAccess, DWORD dwShareMode, DWORD dwCreation,
                  DWORD dwFlags);
BOOL GetCommState(HANDLE hComm, DCB* pDcb);
BOOL SetCommState(HANDLE hComm, DCB* pDcb);
BOOL SetCommTimeouts(HANDLE hComm, COMMTIMEOUTS* pTimeouts);
BOOL EscapeCommFunction(HANDLE hComm, DWORD dwFunc);
BOOL CloseHandle(HANDLE hObject);
// The calling thread's last error code, right after a call that failed.
DWORD GetLastError();

// --- Time ---
// Milliseconds since the system started; wraps around after 49.7 days, so compare differences.
DWORD GetTickCount();

// --- Diagnostic builds ---
// Writes one trace line where a debugger sees it (diagnostic builds only).
void TraceLine(const wchar_t* pszLine);

// --- Settings file ---
// Full path of the running executable, however long it is.
std::wstring GetModuleFileName();
// The private-profile calls, with the platform's own lookup rules. pszDefault is returned for a
// missing file, section or key; at most cchBuffer - 1 characters are returned.
std::wstring GetPrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                                     const wchar_t* pszDefault, DWORD cchBuffer,
                                     const wchar_t* pszPath);
BOOL WritePrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                               const wchar_t* pszValue, const wchar_t* pszPath);

}  // namespace sys
