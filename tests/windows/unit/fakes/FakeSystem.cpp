#include "windows/unit/fakes/FakeSystem.h"

#include "core/Platform.h"
#include "core/ini/IniFile.h"
#include "core/ini/Utf8.h"
#include "windows/system/Tray.h"

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>

FakeSystem g_Fake;

namespace {

void Record(std::string line) { g_Fake.calls.push_back(std::move(line)); }

std::string Hex(const void* p) { return std::to_string(reinterpret_cast<std::uintptr_t>(p)); }

const char* NimName(DWORD dwMessage)
{
    switch (dwMessage) {
    case NIM_ADD:
        return "NIM_ADD";
    case NIM_MODIFY:
        return "NIM_MODIFY";
    case NIM_DELETE:
        return "NIM_DELETE";
    default:
        return "NIM_?";
    }
}

const char* EscapeName(DWORD dwFunc)
{
    switch (dwFunc) {
    case SETDTR:
        return "SETDTR";
    case CLRDTR:
        return "CLRDTR";
    case SETRTS:
        return "SETRTS";
    case CLRRTS:
        return "CLRRTS";
    default:
        return "?";
    }
}

std::wstring Folded(const std::wstring& strText)
{
    std::wstring strFolded = strText;
    std::transform(strFolded.begin(), strFolded.end(), strFolded.begin(), [](wchar_t ch) {
        return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
    });
    return strFolded;
}

// The values of the HKEY_LOCAL_MACHINE key at pszKey; nullptr when it is not listed itself.
const std::map<std::wstring, std::wstring>* MachineValues(const wchar_t* pszKey)
{
    for (const auto& [strKey, values] : g_Fake.machineKeys)
        if (Folded(strKey) == Folded(pszKey))
            return &values;
    return nullptr;
}

// A Windows path as the build machine's file system takes it.
std::filesystem::path FsPath(const wchar_t* pszPath)
{
    std::wstring strPath = pszPath;
    std::replace(strPath.begin(), strPath.end(), L'\\', L'/');
    return ToUtf8(strPath);
}

bool IsClosed(const std::filesystem::path& path)
{
    return g_Fake.closedPaths.count(FromUtf8(path.string())) != 0;
}

// Whether Windows lets this user write the file at path: an existing file unless it is read-only,
// a new one where its folder is open.
bool MayWrite(const std::filesystem::path& path)
{
    return std::filesystem::exists(path) ? !IsClosed(path) : !IsClosed(path.parent_path());
}

BOOL Fail(DWORD dwError)
{
    g_Fake.dwLastError = dwError;
    return FALSE;
}

}  // namespace

std::vector<std::string> NonImeCalls()
{
    std::vector<std::string> out;
    for (const std::string& call : g_Fake.calls)
        if (call.rfind("GetForegroundWindow", 0) != 0 && call.rfind("GetClassName", 0) != 0 &&
            call.rfind("GetWindowThreadId", 0) != 0 && call.rfind("GetFocusOfThread", 0) != 0 &&
            call.rfind("FindChildWindow", 0) != 0 && call.rfind("ImmGetDefaultIMEWnd", 0) != 0 &&
            call.rfind("SendMessageTimeout", 0) != 0)
            out.push_back(call);
    return out;
}

namespace win32 {

HWND GetForegroundWindow()
{
    Record("GetForegroundWindow");
    return g_Fake.hForeground;
}

int GetClassName(HWND hWnd, wchar_t* pszClass, int cchClass)
{
    Record("GetClassName(" + Hex(hWnd) + ")");
    const auto it = g_Fake.windows.find(hWnd);
    const std::wstring strClass = it != g_Fake.windows.end() ? it->second.strClass : L"Notepad";
    if (hWnd == nullptr || cchClass <= 0)
        return 0;
    const size_t nCopied = std::min(strClass.size(), static_cast<size_t>(cchClass - 1));
    strClass.copy(pszClass, nCopied);
    pszClass[nCopied] = L'\0';
    return static_cast<int>(nCopied);
}

DWORD GetWindowThreadId(HWND hWnd)
{
    Record("GetWindowThreadId(" + Hex(hWnd) + ")");
    const auto it = g_Fake.windows.find(hWnd);
    return hWnd == nullptr ? 0 : it != g_Fake.windows.end() ? it->second.dwThread : 1;
}

HWND GetFocusOfThread(DWORD dwThread)
{
    Record("GetFocusOfThread(" + std::to_string(dwThread) + ")");
    const auto it = g_Fake.focus.find(dwThread);
    return it != g_Fake.focus.end() ? it->second : nullptr;
}

HWND FindChildWindow(HWND hParent, const wchar_t* pszClass)
{
    Record("FindChildWindow(" + Hex(hParent) + ")");
    for (const auto& [hWnd, window] : g_Fake.windows)
        if (window.hParent == hParent && window.strClass == pszClass)
            return hWnd;
    return nullptr;
}

HWND ImmGetDefaultIMEWnd(HWND hWnd)
{
    Record("ImmGetDefaultIMEWnd(" + Hex(hWnd) + ")");
    // Windows answers a null window with the calling thread's own IME window.
    if (hWnd == nullptr)
        return g_Fake.hOwnImeWindow;
    const auto it = g_Fake.windows.find(hWnd);
    return it != g_Fake.windows.end() ? it->second.hIme : g_Fake.hImeWindow;
}

bool SendMessageTimeout(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                        UINT uTimeoutMs, DWORD_PTR* pResult)
{
    Record("SendMessageTimeout(" + Hex(hWnd) + "," + std::to_string(uMsg) + "," +
           std::to_string(wParam) + "," + std::to_string(lParam) + ")");
    g_Fake.uLastTimeoutMs = uTimeoutMs;
    g_Fake.uLastSendFlags = fuFlags;
    if (wParam == IMC_GETCONVERSIONMODE) {
        if (!g_Fake.bModeAnswers)
            return false;
        *pResult = g_Fake.dwConversionMode;
        return true;
    }
    if (!g_Fake.bImeAnswers) {
        g_Fake.dwLastError = g_Fake.dwImeError;
        return false;
    }
    *pResult = g_Fake.dwImeStatus;
    return true;
}

std::optional<RECT> GetCaretOfThread(DWORD dwThread)
{
    Record("GetCaretOfThread(" + std::to_string(dwThread) + ")");
    const auto it = g_Fake.carets.find(dwThread);
    return it != g_Fake.carets.end() ? std::optional<RECT>(it->second) : std::nullopt;
}

std::optional<RECT> GetAccessibleCaret(HWND hWnd)
{
    Record("GetAccessibleCaret(" + Hex(hWnd) + ")");
    const auto it = g_Fake.accessibleCarets.find(hWnd);
    return it != g_Fake.accessibleCarets.end() ? std::optional<RECT>(it->second) : std::nullopt;
}

POINT GetCursorPos() { return g_Fake.cursor; }
std::vector<MonitorInfo> GetMonitors() { return g_Fake.monitors; }

bool IsFullScreenAppInFront()
{
    Record("IsFullScreenAppInFront");
    return g_Fake.bFullScreen;
}

HWND CreateLampWindow()
{
    Record("CreateLampWindow");
    if (g_Fake.hLamp != nullptr)
        return nullptr;
    g_Fake.hLamp = reinterpret_cast<HWND>(0x5000);
    return g_Fake.hLamp;
}

void DestroyLampWindow(HWND hWnd)
{
    Record("DestroyLampWindow");
    if (hWnd == g_Fake.hLamp && hWnd != nullptr) {
        g_Fake.hLamp = nullptr;
        g_Fake.bLampShown = false;
    }
}

void ShowLampWindow(HWND hWnd, const RECT& rc, bool bLit)
{
    Record("ShowLampWindow(" + std::to_string(rc.left) + "," + std::to_string(rc.top) + "," +
           std::to_string(rc.right) + "," + std::to_string(rc.bottom) +
           (bLit ? ",lit)" : ",dark)"));
    if (hWnd == g_Fake.hLamp && hWnd != nullptr) {
        g_Fake.bLampShown = true;
        g_Fake.rcLamp = rc;
        g_Fake.bLampLit = bLit;
    }
}

void HideLampWindow(HWND hWnd)
{
    Record("HideLampWindow");
    if (hWnd == g_Fake.hLamp)
        g_Fake.bLampShown = false;
}

HWINEVENTHOOK SetWinEventHook(DWORD dwEvent, WINEVENTPROC pfnProc)
{
    Record("SetWinEventHook(" + std::to_string(dwEvent) + ")");
    g_Fake.pfnMoveHook = pfnProc;
    return reinterpret_cast<HWINEVENTHOOK>(0x6000);
}

void UnhookWinEvent(HWINEVENTHOOK hHook)
{
    Record("UnhookWinEvent");
    if (hHook != nullptr)
        g_Fake.pfnMoveHook = nullptr;
}

LANGID GetUserDefaultUILanguage() { return g_Fake.langUi; }

HKL GetKeyboardLayout(DWORD dwThreadId)
{
    // 0 would be the asking thread, whose layout the fake does not know.
    const auto it = g_Fake.layouts.find(dwThreadId);
    return dwThreadId != 0 && it != g_Fake.layouts.end() ? it->second : nullptr;
}

BOOL Shell_NotifyIcon(DWORD dwMessage, NOTIFYICONDATAW* pData)
{
    std::string preset = "?";
    if (pData >= g_TrayPresets && pData < g_TrayPresets + TRAY_PRESET_COUNT)
        preset = std::to_string(pData - g_TrayPresets);
    Record(std::string("Shell_NotifyIcon(") + NimName(dwMessage) + "," + preset + ")");
    g_Fake.shownRecords.push_back(*pData);
    if (g_Fake.onShellCall)
        g_Fake.onShellCall();
    if (!g_Fake.bShellAccepts)
        return FALSE;
    const std::pair<HWND, UINT> icon(pData->hWnd, pData->uID);
    const bool bHas = g_Fake.icons.count(icon) != 0;
    switch (dwMessage) {
    case NIM_ADD:
        if (bHas)
            return FALSE;
        g_Fake.icons.insert(icon);
        return g_Fake.bAddReportsFailure ? FALSE : TRUE;
    case NIM_DELETE:
        g_Fake.icons.erase(icon);
        return bHas;
    default:
        return bHas;
    }
}

HICON LoadTrayIcon(UINT nResourceId)
{
    // A distinct fake handle per icon group, so tests can tell the icons apart.
    return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(nResourceId));
}

HANDLE CreateFile(const wchar_t* pszName, DWORD dwAccess, DWORD dwShareMode, DWORD dwCreation,
                  DWORD dwFlags)
{
    Record("CreateFile");
    g_Fake.strLastDevice = pszName;
    g_Fake.dwLastAccess = dwAccess;
    g_Fake.dwLastShare = dwShareMode;
    g_Fake.dwLastCreation = dwCreation;
    g_Fake.dwLastFlags = dwFlags;
    if (g_Fake.hNextComm != INVALID_HANDLE_VALUE)
        ++g_Fake.nOpenHandles;
    else
        g_Fake.dwLastError = g_Fake.dwOpenError;
    return g_Fake.hNextComm;
}

BOOL GetCommState(HANDLE, DCB* pDcb)
{
    Record("GetCommState");
    if (g_Fake.bGetCommStateFails)
        return FALSE;
    *pDcb = g_Fake.dcbFromDriver;
    return TRUE;
}

BOOL SetCommState(HANDLE, DCB* pDcb)
{
    Record("SetCommState");
    g_Fake.dcbWritten = *pDcb;
    return TRUE;
}

BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS* pTimeouts)
{
    Record("SetCommTimeouts");
    g_Fake.timeoutsWritten = *pTimeouts;
    return TRUE;
}

BOOL EscapeCommFunction(HANDLE hComm, DWORD dwFunc)
{
    Record(std::string("EscapeCommFunction(") + EscapeName(dwFunc) + ")");
    if (hComm == nullptr) {
        g_Fake.dwLastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (g_Fake.bEscapeFails || g_Fake.failingEscapes.count(dwFunc)) {
        g_Fake.dwLastError = g_Fake.dwEscapeError;
        return FALSE;
    }
    return TRUE;
}

DWORD GetLastError() { return g_Fake.dwLastError; }

DWORD GetTickCount() { return g_Fake.dwTickCount; }

BOOL CloseHandle(HANDLE)
{
    Record("CloseHandle");
    --g_Fake.nOpenHandles;
    return TRUE;
}

std::wstring GetModuleFileName() { return g_Fake.strExePath; }

std::optional<std::wstring> RegGetUserString(const wchar_t* pszKey, const wchar_t* pszValue)
{
    auto it = g_Fake.registry.find(std::wstring(pszKey) + L"\\" + pszValue);
    return it == g_Fake.registry.end() ? std::nullopt : std::optional<std::wstring>(it->second);
}

bool RegSetUserString(const wchar_t* pszKey, const wchar_t* pszValue, const std::wstring& strData)
{
    g_Fake.registry[std::wstring(pszKey) + L"\\" + pszValue] = strData;
    return true;
}

std::optional<std::vector<BYTE>> RegGetUserBinary(const wchar_t* pszKey, const wchar_t* pszValue)
{
    auto it = g_Fake.registryBinary.find(std::wstring(pszKey) + L"\\" + pszValue);
    return it == g_Fake.registryBinary.end() ? std::nullopt
                                             : std::optional<std::vector<BYTE>>(it->second);
}

bool RegDeleteUserValue(const wchar_t* pszKey, const wchar_t* pszValue)
{
    // A value has one name whatever its type.
    g_Fake.registry.erase(std::wstring(pszKey) + L"\\" + pszValue);
    g_Fake.registryBinary.erase(std::wstring(pszKey) + L"\\" + pszValue);
    return true;
}

std::vector<std::wstring> RegMachineSubkeys(const wchar_t* pszKey)
{
    const std::wstring strPrefix = Folded(pszKey) + L"\\";
    std::vector<std::wstring> names;
    for (const auto& entry : g_Fake.machineKeys) {
        if (Folded(entry.first).compare(0, strPrefix.size(), strPrefix) != 0)
            continue;
        const std::wstring strBelow = entry.first.substr(strPrefix.size());
        const std::wstring strName = strBelow.substr(0, strBelow.find(L'\\'));
        if (std::none_of(names.begin(), names.end(), [&](const std::wstring& strOld) {
                return Folded(strOld) == Folded(strName);
            }))
            names.push_back(strName);
    }
    return names;
}

std::vector<std::wstring> RegMachineStrings(const wchar_t* pszKey)
{
    std::vector<std::wstring> strings;
    if (const auto* pValues = MachineValues(pszKey))
        for (const auto& value : *pValues)
            strings.push_back(value.second);
    return strings;
}

std::optional<std::wstring> RegGetMachineString(const wchar_t* pszKey, const wchar_t* pszValue)
{
    if (const auto* pValues = MachineValues(pszKey))
        for (const auto& [strName, strData] : *pValues)
            if (Folded(strName) == Folded(pszValue))
                return strData;
    return std::nullopt;
}

// Windows' private-profile calls over real files, by the same INI rules our own reader follows.
DWORD GetPrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                              const wchar_t* pszDefault, wchar_t* pszBuffer, DWORD cchBuffer,
                              const wchar_t* pszPath)
{
    if (cchBuffer == 0)
        return 0;
    std::wstring strValue = pszDefault ? pszDefault : L"";
    std::ifstream file(FsPath(pszPath), std::ios::binary);
    if (file) {
        const std::string strContent{std::istreambuf_iterator<char>(file), {}};
        if (std::optional<std::string> strRead =
                ini::ReadValue(strContent, ToUtf8(pszSection), ToUtf8(pszKey)))
            strValue = FromUtf8(*strRead);
    }
    const std::size_t cch = std::min<std::size_t>(strValue.size(), cchBuffer - 1);
    std::wmemcpy(pszBuffer, strValue.data(), cch);
    pszBuffer[cch] = L'\0';
    return static_cast<DWORD>(cch);
}

BOOL WritePrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                               const wchar_t* pszValue, const wchar_t* pszPath)
{
    const std::filesystem::path path = FsPath(pszPath);
    if (!MayWrite(path))
        return Fail(ERROR_ACCESS_DENIED);
    std::string strContent;
    if (std::ifstream file{path, std::ios::binary})
        strContent.assign(std::istreambuf_iterator<char>(file), {});
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << ini::WriteValue(strContent, ToUtf8(pszSection), ToUtf8(pszKey), ToUtf8(pszValue));
    return file.good() ? TRUE : FALSE;
}

bool TryOpenForWriting(const wchar_t* pszPath, DWORD dwCreation, DWORD)
{
    const std::filesystem::path path = FsPath(pszPath);
    const bool bExists = std::filesystem::exists(path);
    if (dwCreation == OPEN_EXISTING && !bExists)
        return Fail(ERROR_FILE_NOT_FOUND);
    if (dwCreation == CREATE_NEW && bExists)
        return Fail(ERROR_FILE_EXISTS);
    if (!std::filesystem::is_directory(path.parent_path()))
        return Fail(ERROR_PATH_NOT_FOUND);
    // A new file is asked for only to be deleted on close: nothing is left to make.
    return MayWrite(path) || Fail(ERROR_ACCESS_DENIED);
}

std::wstring GetAppDataFolder() { return g_Fake.strAppData; }

BOOL CreateDirectory(const wchar_t* pszPath)
{
    const std::filesystem::path path = FsPath(pszPath);
    if (std::filesystem::exists(path))
        return Fail(ERROR_ALREADY_EXISTS);
    if (!std::filesystem::is_directory(path.parent_path()))
        return Fail(ERROR_PATH_NOT_FOUND);
    if (IsClosed(path.parent_path()))
        return Fail(ERROR_ACCESS_DENIED);
    return std::filesystem::create_directory(path) ? TRUE : Fail(ERROR_ACCESS_DENIED);
}

BOOL CopyFileIfNew(const wchar_t* pszFrom, const wchar_t* pszTo)
{
    const std::filesystem::path from = FsPath(pszFrom), to = FsPath(pszTo);
    if (!std::filesystem::exists(from))
        return Fail(ERROR_FILE_NOT_FOUND);
    if (std::filesystem::exists(to))
        return Fail(ERROR_FILE_EXISTS);
    if (!std::filesystem::is_directory(to.parent_path()))
        return Fail(ERROR_PATH_NOT_FOUND);
    if (!MayWrite(to))
        return Fail(ERROR_ACCESS_DENIED);
    std::filesystem::copy_file(from, to);
    // The attributes come along: a read-only source gives a read-only copy.
    if (IsClosed(from))
        g_Fake.closedPaths.insert(FromUtf8(to.string()));
    return TRUE;
}

BOOL SetFileAttributes(const wchar_t* pszPath, DWORD dwAttributes)
{
    const std::filesystem::path path = FsPath(pszPath);
    if (!std::filesystem::exists(path))
        return Fail(ERROR_FILE_NOT_FOUND);
    const std::wstring strPath = FromUtf8(path.string());
    if (dwAttributes & FILE_ATTRIBUTE_READONLY)
        g_Fake.closedPaths.insert(strPath);
    else
        g_Fake.closedPaths.erase(strPath);
    return TRUE;
}

BOOL WTSRegisterSessionNotification(HWND, DWORD) { return TRUE; }
BOOL WTSUnRegisterSessionNotification(HWND) { return TRUE; }

void OutputDebugString(const wchar_t* pszText) { g_Fake.traceLines.push_back(pszText); }

}  // namespace win32
