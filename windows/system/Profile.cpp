// The settings file on Windows: "Lumidot.ini" beside the exe, read and written by Windows' own
// private-profile calls.
#include "core/Platform.h"

#include "windows/system/Win32Calls.h"

#include <vector>

std::wstring sys::GetIniPath()
{
    // Built from the exe's own path, so a renamed exe still finds "Lumidot.ini" in its folder.
    std::wstring strPath = win32::GetModuleFileName();
    // '/' too: Windows accepts it in a module path, and the native tests use POSIX paths.
    std::size_t nSeparator = strPath.find_last_of(L"\\/");
    strPath.erase(nSeparator == std::wstring::npos ? 0 : nSeparator + 1);
    return strPath + L"Lumidot.ini";
}

std::wstring sys::ReadPrivateProfile(const wchar_t* pszSection, const wchar_t* pszKey,
                                     const wchar_t* pszDefault, unsigned int cchBuffer,
                                     const wchar_t* pszPath)
{
    if (cchBuffer == 0)
        return std::wstring();
    std::vector<wchar_t> buffer(cchBuffer);
    const DWORD cch = win32::GetPrivateProfileString(pszSection, pszKey, pszDefault, buffer.data(),
                                                     cchBuffer, pszPath);
    return std::wstring(buffer.data(), cch < cchBuffer ? cch : cchBuffer - 1);
}

bool sys::WritePrivateProfile(const wchar_t* pszSection, const wchar_t* pszKey,
                              const wchar_t* pszValue, const wchar_t* pszPath)
{
    return win32::WritePrivateProfileString(pszSection, pszKey, pszValue, pszPath) != FALSE;
}
