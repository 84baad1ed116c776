// The real Win32 calls behind windows/system/Win32Calls.h.
#include "core/Platform.h"
#include "core/Resource.h"
#include "windows/system/Win32Calls.h"

#include <cwchar>
#include <vector>

namespace win32 {

HWND GetForegroundWindow() { return ::GetForegroundWindow(); }

int GetClassName(HWND hWnd, wchar_t* pszClass, int cchClass)
{
    return ::GetClassNameW(hWnd, pszClass, cchClass);
}

DWORD GetWindowThreadId(HWND hWnd) { return ::GetWindowThreadProcessId(hWnd, nullptr); }

HWND GetFocusOfThread(DWORD dwThread)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(dwThread, &info) ? info.hwndFocus : nullptr;
}

HWND FindChildWindow(HWND hParent, const wchar_t* pszClass)
{
    return ::FindWindowExW(hParent, nullptr, pszClass, nullptr);
}

HWND ImmGetDefaultIMEWnd(HWND hWnd) { return ::ImmGetDefaultIMEWnd(hWnd); }

bool SendMessageTimeout(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                        UINT uTimeoutMs, DWORD_PTR* pResult)
{
    DWORD_PTR dwResult = 0;
    if (!::SendMessageTimeoutW(hWnd, uMsg, wParam, lParam, fuFlags, uTimeoutMs, &dwResult))
        return false;
    *pResult = dwResult;
    return true;
}

LANGID GetUserDefaultUILanguage() { return ::GetUserDefaultUILanguage(); }
HKL GetKeyboardLayout(DWORD dwThreadId) { return ::GetKeyboardLayout(dwThreadId); }

BOOL Shell_NotifyIcon(DWORD dwMessage, NOTIFYICONDATAW* pData)
{
    return ::Shell_NotifyIconW(dwMessage, pData);
}

HICON LoadTrayIcon(UINT nResourceId)
{
    // The tray draws small icons; loading the small size picks the group's 16, 20 or 24 pixel
    // image for the display's scaling instead of shrinking the 32 pixel one.
    return static_cast<HICON>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nResourceId), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

HANDLE CreateFile(const wchar_t* pszName, DWORD dwAccess, DWORD dwShareMode, DWORD dwCreation,
                  DWORD dwFlags)
{
    return ::CreateFileW(pszName, dwAccess, dwShareMode, nullptr, dwCreation, dwFlags, nullptr);
}

BOOL GetCommState(HANDLE hComm, DCB* pDcb) { return ::GetCommState(hComm, pDcb); }
BOOL SetCommState(HANDLE hComm, DCB* pDcb) { return ::SetCommState(hComm, pDcb); }
BOOL SetCommTimeouts(HANDLE hComm, COMMTIMEOUTS* pTimeouts)
{
    return ::SetCommTimeouts(hComm, pTimeouts);
}
BOOL EscapeCommFunction(HANDLE hComm, DWORD dwFunc) { return ::EscapeCommFunction(hComm, dwFunc); }
BOOL CloseHandle(HANDLE hObject) { return ::CloseHandle(hObject); }
DWORD GetLastError() { return ::GetLastError(); }

DWORD GetTickCount() { return ::GetTickCount(); }

namespace {

std::optional<std::wstring> RegGetString(HKEY hRoot, const wchar_t* pszKey, const wchar_t* pszValue)
{
    // Asked twice: for the size, then for the text, which another program may change between.
    for (int nTry = 0; nTry < 3; ++nTry) {
        DWORD cb = 0;
        if (::RegGetValueW(hRoot, pszKey, pszValue, RRF_RT_REG_SZ, nullptr, nullptr, &cb) !=
            ERROR_SUCCESS)
            return std::nullopt;
        std::vector<wchar_t> buffer(cb / sizeof(wchar_t) + 1);
        cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        const LSTATUS status =
            ::RegGetValueW(hRoot, pszKey, pszValue, RRF_RT_REG_SZ, nullptr, buffer.data(), &cb);
        if (status == ERROR_SUCCESS)
            return std::wstring(buffer.data());
        if (status != ERROR_MORE_DATA)
            return std::nullopt;
    }
    return std::nullopt;
}

using CRegKey = CResource<HKEY, ::RegCloseKey>;

// A key of HKEY_LOCAL_MACHINE opened for reading; none when it is missing or closed to us.
CRegKey OpenMachineKey(const wchar_t* pszKey, REGSAM samDesired)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, pszKey, 0, samDesired, &hKey) != ERROR_SUCCESS)
        return CRegKey();
    return CRegKey(hKey);
}

}  // namespace

std::optional<std::wstring> RegGetUserString(const wchar_t* pszKey, const wchar_t* pszValue)
{
    return RegGetString(HKEY_CURRENT_USER, pszKey, pszValue);
}

bool RegSetUserString(const wchar_t* pszKey, const wchar_t* pszValue, const std::wstring& strData)
{
    const DWORD cb = static_cast<DWORD>((strData.size() + 1) * sizeof(wchar_t));
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, pszKey, pszValue, REG_SZ, strData.c_str(), cb) ==
           ERROR_SUCCESS;
}

std::optional<std::vector<BYTE>> RegGetUserBinary(const wchar_t* pszKey, const wchar_t* pszValue)
{
    for (int nTry = 0; nTry < 3; ++nTry) {
        DWORD cb = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, pszKey, pszValue, RRF_RT_REG_BINARY, nullptr, nullptr,
                           &cb) != ERROR_SUCCESS)
            return std::nullopt;
        std::vector<BYTE> data(cb);
        const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, pszKey, pszValue,
                                              RRF_RT_REG_BINARY, nullptr, data.data(), &cb);
        if (status == ERROR_SUCCESS) {
            data.resize(cb);
            return data;
        }
        if (status != ERROR_MORE_DATA)
            return std::nullopt;
    }
    return std::nullopt;
}

bool RegDeleteUserValue(const wchar_t* pszKey, const wchar_t* pszValue)
{
    const LSTATUS status = ::RegDeleteKeyValueW(HKEY_CURRENT_USER, pszKey, pszValue);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::vector<std::wstring> RegMachineSubkeys(const wchar_t* pszKey)
{
    std::vector<std::wstring> names;
    const CRegKey key = OpenMachineKey(pszKey, KEY_ENUMERATE_SUB_KEYS);
    if (!key)
        return names;
    // A key's name has at most 255 characters.
    wchar_t szName[256];
    for (DWORD dwIndex = 0;; ++dwIndex) {
        DWORD cch = sizeof szName / sizeof szName[0];
        const LSTATUS status =
            ::RegEnumKeyExW(key.Get(), dwIndex, szName, &cch, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS)
            names.emplace_back(szName, cch);
        else if (status != ERROR_MORE_DATA)
            break;
    }
    return names;
}

std::vector<std::wstring> RegMachineStrings(const wchar_t* pszKey)
{
    std::vector<std::wstring> strings;
    const CRegKey key = OpenMachineKey(pszKey, KEY_QUERY_VALUE);
    DWORD cchMaxName = 0, cbMaxData = 0;
    if (!key ||
        ::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &cchMaxName, &cbMaxData, nullptr, nullptr) != ERROR_SUCCESS)
        return strings;
    std::vector<wchar_t> name(cchMaxName + 1);
    std::vector<BYTE> data(cbMaxData + sizeof(wchar_t));
    for (DWORD dwIndex = 0;; ++dwIndex) {
        DWORD cchName = static_cast<DWORD>(name.size()), dwType = 0;
        DWORD cbData = static_cast<DWORD>(data.size());
        const LSTATUS status = ::RegEnumValueW(key.Get(), dwIndex, name.data(), &cchName, nullptr,
                                               &dwType, data.data(), &cbData);
        // A value that grew since the sizes were asked is skipped; the list is read again at the
        // next opening of a dialog.
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        if (dwType != REG_SZ)
            continue;
        // The data need not end with a terminator.
        std::wstring strData(reinterpret_cast<const wchar_t*>(data.data()),
                             cbData / sizeof(wchar_t));
        strData.resize(std::wcslen(strData.c_str()));
        strings.push_back(std::move(strData));
    }
    return strings;
}

std::optional<std::wstring> RegGetMachineString(const wchar_t* pszKey, const wchar_t* pszValue)
{
    return RegGetString(HKEY_LOCAL_MACHINE, pszKey, pszValue);
}

std::wstring GetModuleFileName()
{
    // Read the whole path however long it is, so the settings path names the real folder, never a
    // cut-off one. (Whether the private-profile functions then take a path past MAX_PATH is up to
    // the system: Wine's do not, so a folder that deep is not supported.)
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD cch = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (cch == 0)
            return std::wstring();
        if (cch < buffer.size())
            return std::wstring(buffer.data(), cch);
        buffer.resize(buffer.size() * 2);
    }
}

DWORD GetPrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                              const wchar_t* pszDefault, wchar_t* pszBuffer, DWORD cchBuffer,
                              const wchar_t* pszPath)
{
    return ::GetPrivateProfileStringW(pszSection, pszKey, pszDefault, pszBuffer, cchBuffer,
                                      pszPath);
}

BOOL WritePrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                               const wchar_t* pszValue, const wchar_t* pszPath)
{
    return ::WritePrivateProfileStringW(pszSection, pszKey, pszValue, pszPath);
}

void OutputDebugString(const wchar_t* pszText) { ::OutputDebugStringW(pszText); }

}  // namespace win32
