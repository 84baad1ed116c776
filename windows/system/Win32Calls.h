// The Win32 calls that the Windows side of the seam (the IME query, the tray icon, the COM port and
// the list of ports, the settings path) is built on.
//
// The exe links the real calls (SystemCalls.cpp); the unit tests link a recording fake
// (tests/windows/unit/fakes/FakeSystem.cpp), so a test can assert exactly what was asked of Windows
// and in which order. Keep this list to what the program actually uses.
#pragma once

#include "windows/system/WinApi.h"

#include <optional>
#include <string>
#include <vector>

namespace win32 {

// --- IME status of the window the user types into ---
HWND GetForegroundWindow();
// GetClassNameW into pszClass (cchClass characters with the terminator); 0 when it failed.
int GetClassName(HWND hWnd, wchar_t* pszClass, int cchClass);
// The thread that created hWnd; 0 when there is no such window.
DWORD GetWindowThreadId(HWND hWnd);
// GetGUIThreadInfo's hwndFocus: the window with the keyboard focus in that thread's input queue,
// which can be a child window of another thread; null when none has it or the thread has no queue.
HWND GetFocusOfThread(DWORD dwThread);
// FindWindowExW for hParent's first direct child of class pszClass; null when it has none.
HWND FindChildWindow(HWND hParent, const wchar_t* pszClass);
HWND ImmGetDefaultIMEWnd(HWND hWnd);
// SendMessageTimeoutW: false when the call failed or timed out, with *pResult untouched and the
// reason in GetLastError (ERROR_TIMEOUT, ERROR_ACCESS_DENIED for an elevated window...).
bool SendMessageTimeout(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                        UINT uTimeoutMs, DWORD_PTR* pResult);

// --- The user's languages ---
// The language Windows shows its own menus and dialogs in (not the one it formats numbers in).
LANGID GetUserDefaultUILanguage();
// The input language (low word) and keyboard layout or input method of a thread; null when there
// is no such thread.
HKL GetKeyboardLayout(DWORD dwThreadId);

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

// --- Registry, under HKEY_CURRENT_USER ---
// A REG_SZ value; nothing when the key or the value is missing or holds no string.
std::optional<std::wstring> RegGetUserString(const wchar_t* pszKey, const wchar_t* pszValue);
bool RegSetUserString(const wchar_t* pszKey, const wchar_t* pszValue, const std::wstring& strData);
// A REG_BINARY value; nothing when the key or the value is missing or holds no binary data.
std::optional<std::vector<BYTE>> RegGetUserBinary(const wchar_t* pszKey, const wchar_t* pszValue);
// True also when there was no such value.
bool RegDeleteUserValue(const wchar_t* pszKey, const wchar_t* pszValue);

// --- Registry, under HKEY_LOCAL_MACHINE, read only ---
// The names of a key's subkeys; none when the key is missing or closed to us.
std::vector<std::wstring> RegMachineSubkeys(const wchar_t* pszKey);
// The data of each REG_SZ value of a key, in the registry's order; none when the key is missing.
std::vector<std::wstring> RegMachineStrings(const wchar_t* pszKey);
// A REG_SZ value; nothing when the key or the value is missing or holds no string.
std::optional<std::wstring> RegGetMachineString(const wchar_t* pszKey, const wchar_t* pszValue);

// --- Private-profile (INI) files ---
// At most cchBuffer - 1 characters and the terminator are written; returns the characters written.
DWORD GetPrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                              const wchar_t* pszDefault, wchar_t* pszBuffer, DWORD cchBuffer,
                              const wchar_t* pszPath);
BOOL WritePrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                               const wchar_t* pszValue, const wchar_t* pszPath);

// --- Diagnostics ---
void OutputDebugString(const wchar_t* pszText);

// --- The exe ---
// Full path of the running executable, however long it is.
std::wstring GetModuleFileName();

}  // namespace win32
