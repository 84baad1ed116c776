// The real Win32 calls behind windows/system/Win32Calls.h.
#include "core/CaretPlacement.h"
#include "core/Platform.h"
#include "core/Resource.h"
#include "windows/system/Win32Calls.h"

#include <oleacc.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

namespace win32 {

namespace {

// A function of a DLL of the system folder, for the DLLs that are no KnownDLLs (wtsapi32, oleacc)
// and those older Windows lack (shcore). Not imported: the portable exe may run from a folder such
// as Downloads, where a planted DLL of such a name would be loaded instead. Callers keep the
// answer.
template <typename F>
F SystemFunction(const wchar_t* pszDll, const char* pszName)
{
    wchar_t szPath[MAX_PATH];
    const UINT cch = ::GetSystemDirectoryW(szPath, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return nullptr;
    const HMODULE hModule = ::LoadLibraryW((std::wstring(szPath, cch) + L"\\" + pszDll).c_str());
    if (hModule == nullptr)
        return nullptr;
    // Through the generic function type, which GCC lets any function type be cast to and from.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(hModule, pszName)));
}

}  // namespace

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

std::optional<RECT> GetCaretOfThread(DWORD dwThread)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(dwThread, &info) || info.hwndCaret == nullptr)
        return std::nullopt;
    ::MapWindowPoints(info.hwndCaret, nullptr, reinterpret_cast<POINT*>(&info.rcCaret), 2);
    return info.rcCaret;
}

std::optional<RECT> GetAccessibleCaret(HWND hWnd)
{
    // The question is a message sent to the window: a hung one would hang us with it.
    if (::IsHungAppWindow(hWnd))
        return std::nullopt;
    static const auto pfnAccessibleObject =
        SystemFunction<HRESULT(STDAPICALLTYPE*)(HWND, DWORD, REFIID, void**)>(
            L"oleacc.dll", "AccessibleObjectFromWindow");
    IAccessible* pCaret = nullptr;
    if (pfnAccessibleObject == nullptr ||
        FAILED(pfnAccessibleObject(hWnd, static_cast<DWORD>(OBJID_CARET), IID_IAccessible,
                                   reinterpret_cast<void**>(&pCaret))) ||
        pCaret == nullptr)
        return std::nullopt;
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    long x = 0, y = 0, cx = 0, cy = 0;
    const HRESULT hr = pCaret->accLocation(&x, &y, &cx, &cy, self);
    pCaret->Release();
    // A window without a caret of its own answers with an empty one.
    if (hr != S_OK || (cx == 0 && cy == 0))
        return std::nullopt;
    return RECT{x, y, x + cx, y + cy};
}

POINT GetCursorPos()
{
    POINT pt{};
    ::GetCursorPos(&pt);
    return pt;
}

namespace {

// GetDpiForMonitor, from Windows 8.1 on; earlier ones have one scale for every monitor.
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

UINT DpiOfMonitor(HMONITOR hMonitor)
{
    static const auto pfnGetDpi =
        SystemFunction<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    UINT nDpiX = 0, nDpiY = 0;
    if (pfnGetDpi != nullptr &&
        SUCCEEDED(pfnGetDpi(hMonitor, 0 /* MDT_EFFECTIVE_DPI */, &nDpiX, &nDpiY)))
        return nDpiY;
    HDC hdc = ::GetDC(nullptr);
    const UINT nDpi = static_cast<UINT>(::GetDeviceCaps(hdc, LOGPIXELSY));
    ::ReleaseDC(nullptr, hdc);
    return nDpi;
}

}  // namespace

std::vector<MonitorInfo> GetMonitors()
{
    std::vector<MonitorInfo> monitors;
    ::EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR hMonitor, HDC, RECT*, LPARAM lParam) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (::GetMonitorInfoW(hMonitor, &info))
                reinterpret_cast<std::vector<MonitorInfo>*>(lParam)->push_back(
                    {info.rcWork, DpiOfMonitor(hMonitor)});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

bool IsFullScreenAppInFront()
{
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    if (FAILED(::SHQueryUserNotificationState(&state)))
        return false;
    return state == QUNS_BUSY || state == QUNS_RUNNING_D3D_FULL_SCREEN ||
           state == QUNS_PRESENTATION_MODE;
}

namespace {

const wchar_t kLampClass[] = L"LumidotCaretLamp";
bool s_bLampLit = false;
LONG s_nLampSize = 0;
bool s_bComStarted = false;

LRESULT CALLBACK LampWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(hWnd, &ps);
        RECT rc;
        ::GetClientRect(hWnd, &rc);
        const LampColour fill = s_bLampLit ? CARET_LAMP_LIT : CARET_LAMP_DARK;
        HBRUSH hBrush = ::CreateSolidBrush(RGB(fill.r, fill.g, fill.b));
        HPEN hPen =
            ::CreatePen(PS_SOLID, 1, RGB(CARET_LAMP_RIM.r, CARET_LAMP_RIM.g, CARET_LAMP_RIM.b));
        HGDIOBJ hOldBrush = ::SelectObject(hdc, hBrush);
        HGDIOBJ hOldPen = ::SelectObject(hdc, hPen);
        ::Ellipse(hdc, rc.left, rc.top, rc.right, rc.bottom);
        ::SelectObject(hdc, hOldPen);
        ::SelectObject(hdc, hOldBrush);
        ::DeleteObject(hPen);
        ::DeleteObject(hBrush);
        ::EndPaint(hWnd, &ps);
        return 0;
    }
    default:
        return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }
}

}  // namespace

HWND CreateLampWindow()
{
    HINSTANCE hInstance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = LampWindowProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = kLampClass;
    ::RegisterClassExW(&wc);  // refused the second time: the class is there
    HWND hWnd = ::CreateWindowExW(
        WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
        kLampClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, hInstance, nullptr);
    if (hWnd == nullptr)
        return nullptr;
    ::SetLayeredWindowAttributes(hWnd, 0, 255, LWA_ALPHA);
    s_nLampSize = 0;
    // The accessible objects are COM objects.
    s_bComStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    return hWnd;
}

void DestroyLampWindow(HWND hWnd)
{
    ::DestroyWindow(hWnd);
    if (s_bComStarted)
        ::CoUninitialize();
    s_bComStarted = false;
}

void ShowLampWindow(HWND hWnd, const RECT& rc, bool bLit)
{
    const LONG nSize = rc.right - rc.left;
    if (nSize != s_nLampSize) {
        s_nLampSize = nSize;
        // One pixel more: the region leaves out its right and bottom edges.
        ::SetWindowRgn(hWnd, ::CreateEllipticRgn(0, 0, nSize + 1, nSize + 1), FALSE);
    }
    if (bLit != s_bLampLit) {
        s_bLampLit = bLit;
        ::InvalidateRect(hWnd, nullptr, TRUE);
    }
    ::SetWindowPos(hWnd, HWND_TOPMOST, rc.left, rc.top, nSize, rc.bottom - rc.top,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void HideLampWindow(HWND hWnd) { ::ShowWindow(hWnd, SW_HIDE); }

HWINEVENTHOOK SetWinEventHook(DWORD dwEvent, WINEVENTPROC pfnProc)
{
    return ::SetWinEventHook(dwEvent, dwEvent, nullptr, pfnProc, 0, 0, WINEVENT_OUTOFCONTEXT);
}

void UnhookWinEvent(HWINEVENTHOOK hHook) { ::UnhookWinEvent(hHook); }

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

bool TryOpenForWriting(const wchar_t* pszPath, DWORD dwCreation, DWORD dwFlags)
{
    // Shared every way, so that a program merely reading the file does not count against it.
    const CResource<HANDLE, ::CloseHandle> hFile(::CreateFileW(
        pszPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        dwCreation, dwFlags, nullptr));
    return static_cast<bool>(hFile);
}

std::wstring GetAppDataFolder()
{
    wchar_t szPath[MAX_PATH];
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, szPath)))
        return std::wstring();
    return szPath;
}

BOOL CreateDirectory(const wchar_t* pszPath) { return ::CreateDirectoryW(pszPath, nullptr); }

BOOL CopyFileIfNew(const wchar_t* pszFrom, const wchar_t* pszTo)
{
    return ::CopyFileW(pszFrom, pszTo, TRUE);
}

BOOL SetFileAttributes(const wchar_t* pszPath, DWORD dwAttributes)
{
    return ::SetFileAttributesW(pszPath, dwAttributes);
}

BOOL WTSRegisterSessionNotification(HWND hWnd, DWORD dwFlags)
{
    static const auto pfn = SystemFunction<BOOL(WINAPI*)(HWND, DWORD)>(
        L"wtsapi32.dll", "WTSRegisterSessionNotification");
    return pfn != nullptr && pfn(hWnd, dwFlags);
}

BOOL WTSUnRegisterSessionNotification(HWND hWnd)
{
    static const auto pfn =
        SystemFunction<BOOL(WINAPI*)(HWND)>(L"wtsapi32.dll", "WTSUnRegisterSessionNotification");
    return pfn != nullptr && pfn(hWnd);
}

void OutputDebugString(const wchar_t* pszText) { ::OutputDebugStringW(pszText); }

}  // namespace win32
