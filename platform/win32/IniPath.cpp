#include "platform/Platform.h"

#include "platform/win32/Win32Calls.h"

std::wstring sys::GetIniPath()
{
    // Built from the exe's own path, so a renamed exe still finds "Lumidot.ini" in its folder.
    std::wstring strPath = win32::GetModuleFileName();
    // '/' too: Windows accepts it in a module path, and the native tests use POSIX paths.
    std::size_t nSeparator = strPath.find_last_of(L"\\/");
    strPath.erase(nSeparator == std::wstring::npos ? 0 : nSeparator + 1);
    return strPath + L"Lumidot.ini";
}
