#include "windows/unit/fakes/FakeSystem.h"

#include "core/Platform.h"
#include "core/ini/IniFile.h"
#include "core/ini/Utf8.h"
#include "windows/system/Tray.h"

#include <algorithm>
#include <cwchar>
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
    std::ifstream file(ToUtf8(pszPath), std::ios::binary);
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
    std::string strContent;
    if (std::ifstream file{ToUtf8(pszPath), std::ios::binary})
        strContent.assign(std::istreambuf_iterator<char>(file), {});
    std::ofstream file(ToUtf8(pszPath), std::ios::binary | std::ios::trunc);
    file << ini::WriteValue(strContent, ToUtf8(pszSection), ToUtf8(pszKey), ToUtf8(pszValue));
    return file.good() ? TRUE : FALSE;
}

void OutputDebugString(const wchar_t* pszText) { g_Fake.traceLines.push_back(pszText); }

}  // namespace win32
