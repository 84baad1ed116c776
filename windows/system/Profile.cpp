// The settings file on Windows: "Lumidot.ini" beside the exe, or the user's own copy where that
// folder is closed to the user; read and written by Windows' own private-profile calls.
#include "core/Platform.h"

#include "windows/system/Win32Calls.h"

#include <vector>

namespace {

const wchar_t kFileName[] = L"Lumidot.ini";

std::wstring BesideExe()
{
    // Built from the exe's own path, so a renamed exe still finds "Lumidot.ini" in its folder.
    std::wstring strPath = win32::GetModuleFileName();
    // '/' too: Windows accepts it in a module path, and the native tests use POSIX paths.
    std::size_t nSeparator = strPath.find_last_of(L"\\/");
    strPath.erase(nSeparator == std::wstring::npos ? 0 : nSeparator + 1);
    return strPath + kFileName;
}

// Whether this user may write the file at strPath: the file opened for writing where it exists
// (a writable file in a closed folder is written in place), else a new one created there, which
// is deleted again as it is closed. A file that another program holds open is still ours.
bool IsWritable(const std::wstring& strPath)
{
    if (win32::TryOpenForWriting(strPath.c_str(), OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL))
        return true;
    const DWORD dwError = win32::GetLastError();
    if (dwError == ERROR_SHARING_VIOLATION)
        return true;
    return dwError == ERROR_FILE_NOT_FOUND &&
           win32::TryOpenForWriting(strPath.c_str(), CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE);
}

}  // namespace

std::wstring sys::GetIniPath()
{
    const std::wstring strBesideExe = BesideExe();
    if (IsWritable(strBesideExe))
        return strBesideExe;
    // Unzipped into Program Files, say: the user's own file in %APPDATA%\Lumidot.
    const std::wstring strAppData = win32::GetAppDataFolder();
    if (strAppData.empty())
        return strBesideExe;
    const std::wstring strFolder = strAppData + L"\\Lumidot";
    const std::wstring strOwn = strFolder + L"\\" + kFileName;
    win32::CreateDirectory(strFolder.c_str());
    // The first time, it starts as a copy of the file beside the exe, if there is one (settings
    // whoever put Lumidot there left for its users); a file of the user's own is never replaced.
    if (win32::CopyFileIfNew(strBesideExe.c_str(), strOwn.c_str())) {
        // The copy took the source's attributes, and one from a closed folder may be read-only.
        win32::SetFileAttributes(strOwn.c_str(), FILE_ATTRIBUTE_NORMAL);
        return strOwn;
    }
    const DWORD dwError = win32::GetLastError();
    if (dwError == ERROR_FILE_EXISTS || dwError == ERROR_FILE_NOT_FOUND)
        return strOwn;
    // No copy could be made there either: the settings beside the exe are still read, and the
    // failed save is told.
    return strBesideExe;
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
