// Starting with Windows: the value "Lumidot" of the current user's Run key holds the quoted path
// of the exe, which is how Explorer starts programs at logon, unless Task Manager's Startup page
// disabled it. And the user's language, and where the trace lines of a diagnostic build go.
#include "windows/system/Session.h"

#include "core/Platform.h"
#include "windows/system/Ime.h"
#include "windows/system/Win32Calls.h"

#include "EnglishTexts.h"

#include <cstdint>
#include <cwchar>
#include <cwctype>

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kValueName[] = L"Lumidot";
// Where Task Manager's Startup page keeps its "Disabled" mark for each Run value: binary data whose
// first byte is odd while the entry is disabled (the rest is when it was switched).
const wchar_t kApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

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
    if (!strCommand || !SameCommand(*strCommand, ThisExeCommand()))
        return false;
    const std::optional<std::vector<BYTE>> approval =
        win32::RegGetUserBinary(kApprovedKey, kValueName);
    return !approval || approval->empty() || ((*approval)[0] & 1) == 0;
}

bool sys::SetStartAtLogin(bool bOn)
{
    // Without its mark the entry counts as enabled, which is what the user asked for by ticking
    // the box; unticked, no mark of ours is left behind.
    const bool bUnmarked = win32::RegDeleteUserValue(kApprovedKey, kValueName);
    if (bOn)
        return win32::RegSetUserString(kRunKey, kValueName, ThisExeCommand()) && bUnmarked;
    return win32::RegDeleteUserValue(kRunKey, kValueName);
}

void sys::TraceLine(const wchar_t* pszLine) { win32::OutputDebugString(pszLine); }

unsigned int sys::MonotonicMs() { return win32::GetTickCount(); }

LANGID UiLanguage()
{
    return PRIMARYLANGID(win32::GetUserDefaultUILanguage()) == LANG_JAPANESE
               ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
               : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

// The English is the Linux edition's translation file's, made into texts::kEnglish at build time.
std::wstring sys::LocalText(const wchar_t* pszText)
{
    if (PRIMARYLANGID(UiLanguage()) == LANG_JAPANESE)
        return pszText;
    for (const texts::Translation& translation : texts::kEnglish)
        if (std::wcscmp(translation.pszSource, pszText) == 0)
            return translation.pszEnglish;
    return pszText;
}

bool NeedsAlnumOffHint(bool bAlnumOff)
{
    if (bAlnumOff)
        return false;
    // The layout is that of the thread whose window the user types into: since Windows 8 one
    // input method follows the focus from window to window. The input language alone decides:
    // Microsoft Pinyin and the Korean IME are text services whose handles look like plain keyboard
    // layouts (0x08040804, 0x04120412), and ImmIsIME answers yes for every layout where text
    // services run.
    const DWORD dwThread = win32::GetWindowThreadId(ImeTargetWindow());
    if (dwThread == 0)
        return false;
    const auto nLayout = reinterpret_cast<std::uintptr_t>(win32::GetKeyboardLayout(dwThread));
    const WORD nLanguage = PRIMARYLANGID(static_cast<LANGID>(nLayout & 0xFFFF));
    return nLanguage == LANG_CHINESE || nLanguage == LANG_KOREAN;
}
