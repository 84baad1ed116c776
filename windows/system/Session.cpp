// Starting with Windows: the value "Lumidot" of the current user's Run key holds the quoted path
// of the exe, which is how Explorer starts programs at logon. And the user's language, and where
// the trace lines of a diagnostic build go.
#include "core/Platform.h"

#include "windows/system/Win32Calls.h"

#include <cwctype>

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kValueName[] = L"Lumidot";

// Quoted, so a path with spaces ("C:\Program Files\...") is one command, not a program and
// arguments.
std::wstring ThisExeCommand() { return L"\"" + win32::GetModuleFileName() + L"\""; }

// Windows paths ignore letter case.
bool SameCommand(const std::wstring& strA, const std::wstring& strB)
{
    if (strA.size() != strB.size())
        return false;
    for (std::size_t i = 0; i < strA.size(); ++i)
        if (std::towupper(strA[i]) != std::towupper(strB[i]))
            return false;
    return true;
}

}  // namespace

bool sys::IsStartAtLoginOn()
{
    const std::optional<std::wstring> strCommand = win32::RegGetUserString(kRunKey, kValueName);
    return strCommand && SameCommand(*strCommand, ThisExeCommand());
}

bool sys::SetStartAtLogin(bool bOn)
{
    if (bOn)
        return win32::RegSetUserString(kRunKey, kValueName, ThisExeCommand());
    return win32::RegDeleteUserValue(kRunKey, kValueName);
}

void sys::TraceLine(const wchar_t* pszLine) { win32::OutputDebugString(pszLine); }

unsigned int sys::MonotonicMs() { return win32::GetTickCount(); }

// The Windows edition speaks Japanese, as its resources do.
std::wstring sys::LocalText(const wchar_t* pszText) { return pszText; }
