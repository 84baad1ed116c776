// The cheapest possible stand-in for the system calls, so the benchmark measures Lumidot's own
// work per tick and nothing of a fake's bookkeeping.
#include "core/Platform.h"
#include "windows/system/Win32Calls.h"

#include "tests/bench/NullSystem.h"

NullSystem g_Null;

namespace win32 {

HWND GetForegroundWindow() { return reinterpret_cast<HWND>(0x1000); }
int GetClassName(HWND, wchar_t* pszClass, int)
{
    pszClass[0] = L'\0';
    return 0;
}
DWORD GetWindowThreadId(HWND) { return 1; }
HWND GetFocusOfThread(DWORD) { return reinterpret_cast<HWND>(0x1100); }
HWND FindChildWindow(HWND, const wchar_t*) { return nullptr; }
HWND ImmGetDefaultIMEWnd(HWND) { return reinterpret_cast<HWND>(0x2000); }
bool SendMessageTimeout(HWND, UINT, WPARAM, LPARAM, UINT, UINT, DWORD_PTR* pResult)
{
    *pResult = g_Null.dwImeStatus;
    return true;
}
LANGID GetUserDefaultUILanguage() { return 0x0411; }
HKL GetKeyboardLayout(DWORD) { return nullptr; }
BOOL Shell_NotifyIcon(DWORD, NOTIFYICONDATAW*) { return TRUE; }
HICON LoadTrayIcon(UINT) { return nullptr; }
HANDLE CreateFile(const wchar_t*, DWORD, DWORD, DWORD, DWORD)
{
    return reinterpret_cast<HANDLE>(0x3000);
}
BOOL GetCommState(HANDLE, DCB*) { return TRUE; }
BOOL SetCommState(HANDLE, DCB*) { return TRUE; }
BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS*) { return TRUE; }
BOOL EscapeCommFunction(HANDLE, DWORD) { return TRUE; }
BOOL CloseHandle(HANDLE) { return TRUE; }
DWORD GetLastError() { return 0; }
DWORD GetTickCount() { return 0; }
std::wstring GetModuleFileName() { return L"/tmp/Lumidot.exe"; }
std::optional<std::wstring> RegGetUserString(const wchar_t*, const wchar_t*) { return {}; }
bool RegSetUserString(const wchar_t*, const wchar_t*, const std::wstring&) { return true; }
std::optional<std::vector<BYTE>> RegGetUserBinary(const wchar_t*, const wchar_t*) { return {}; }
bool RegDeleteUserValue(const wchar_t*, const wchar_t*) { return true; }
std::vector<std::wstring> RegMachineSubkeys(const wchar_t*) { return {}; }
std::vector<std::wstring> RegMachineStrings(const wchar_t*) { return {}; }
std::optional<std::wstring> RegGetMachineString(const wchar_t*, const wchar_t*) { return {}; }

DWORD GetPrivateProfileString(const wchar_t*, const wchar_t*, const wchar_t*, wchar_t* pszBuffer,
                              DWORD, const wchar_t*)
{
    *pszBuffer = L'\0';
    return 0;
}
BOOL WritePrivateProfileString(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*)
{
    return TRUE;
}
void OutputDebugString(const wchar_t*) {}

}  // namespace win32
