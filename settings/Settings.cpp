#include "settings/Settings.h"

#include "platform/Platform.h"

#include <climits>

int g_nPortNumber = 1;
int g_nUpdateTime = 5;
int g_nAutoConnect = 0;

namespace {

const wchar_t kSection[] = L"Setting";

// Values are read through a 32-character buffer, so at most 31 characters of a value count.
constexpr DWORD kValueBufferChars = 32;

int ReadSetting(const wchar_t* pszKey, const wchar_t* pszDefault)
{
    return ParseSettingValue(sys::GetPrivateProfileString(kSection, pszKey, pszDefault,
                                                          kValueBufferChars, GetIniPath().c_str()));
}

void WriteSetting(const wchar_t* pszKey, int nValue)
{
    sys::WritePrivateProfileString(kSection, pszKey, std::to_wstring(nValue).c_str(),
                                   GetIniPath().c_str());
}

bool IsSpace(wchar_t ch) { return ch == L' ' || (ch >= L'\t' && ch <= L'\r'); }

}  // namespace

void LoadSettings()
{
    g_nPortNumber = ReadSetting(L"PortNumber", L"1");
    g_nUpdateTime = ReadSetting(L"UpdateTime", L"5");
    g_nAutoConnect = ReadSetting(L"AutoConnect", L"0");
}

void SaveSettings()
{
    WriteSetting(L"PortNumber", g_nPortNumber);
    WriteSetting(L"UpdateTime", g_nUpdateTime);
    WriteSetting(L"AutoConnect", g_nAutoConnect);
}

std::wstring GetIniPath()
{
    std::wstring strPath = sys::GetModuleFileName();
    // '/' too: Windows accepts it in a module path, and the native tests use POSIX paths.
    std::size_t nSeparator = strPath.find_last_of(L"\\/");
    strPath.erase(nSeparator == std::wstring::npos ? 0 : nSeparator + 1);
    return strPath + L"Lumidot.ini";
}

int ParseSettingValue(const std::wstring& strText)
{
    std::size_t i = 0;
    while (i < strText.size() && IsSpace(strText[i]))
        ++i;
    bool bNegative = false;
    if (i < strText.size() && (strText[i] == L'+' || strText[i] == L'-'))
        bNegative = strText[i++] == L'-';

    // The magnitude stops growing just past the int range, so any number of digits is safe.
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long nMagnitude = 0;
    for (; i < strText.size() && strText[i] >= L'0' && strText[i] <= L'9'; ++i) {
        nMagnitude = nMagnitude * 10 + (strText[i] - L'0');
        if (nMagnitude > kLimit)
            nMagnitude = kLimit;
    }
    if (bNegative)
        return static_cast<int>(-nMagnitude);
    return nMagnitude > INT_MAX ? INT_MAX : static_cast<int>(nMagnitude);
}
