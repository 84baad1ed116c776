#include "core/Settings.h"

#include "core/Platform.h"

#include <climits>

int g_nPortNumber = 1;
int g_nUpdateTime = 5;
int g_nAutoConnect = 0;
int g_nAlnumOff = 0;
std::wstring g_strPortDevice;
int g_nLedLines = 0;
int g_nLedInverted = 0;
int g_nCaretLamp = 0;

namespace {

const wchar_t kSection[] = L"Setting";

// Values are read through a 32-character buffer, so at most 31 characters of a value count.
constexpr unsigned int kValueBufferChars = 32;
// A device path can be long.
constexpr unsigned int kPathBufferChars = 1024;
// Returned for a missing key: no value can hold a line end.
const wchar_t kMissing[] = L"\n";

// One load or one save: the file's place is found once (on Windows that looks at the folder),
// and every key goes to the same file.
class CSettingsFile {
public:
    CSettingsFile() : m_strPath(sys::GetIniPath()) {}

    std::wstring ReadText(const wchar_t* pszKey, const wchar_t* pszDefault,
                          unsigned int cchBuffer) const
    {
        return sys::ReadPrivateProfile(kSection, pszKey, pszDefault, cchBuffer, m_strPath.c_str());
    }
    int ReadSetting(const wchar_t* pszKey, const wchar_t* pszDefault) const
    {
        return ParseSettingValue(ReadText(pszKey, pszDefault, kValueBufferChars));
    }
    bool WriteText(const wchar_t* pszKey, const std::wstring& strValue) const
    {
        return sys::WritePrivateProfile(kSection, pszKey, strValue.c_str(), m_strPath.c_str());
    }
    bool WriteSetting(const wchar_t* pszKey, int nValue) const
    {
        return WriteText(pszKey, std::to_wstring(nValue));
    }
    // A key later additions brought is written only once it matters: when it differs from its
    // default or the file has it already (an emptied or reset choice must reach such a file).
    bool IsAddedKeyToWrite(const wchar_t* pszKey, bool bDefault) const
    {
        return !bDefault || ReadText(pszKey, kMissing, 2) != kMissing;
    }

private:
    const std::wstring m_strPath;
};

bool IsSpace(wchar_t ch) { return ch == L' ' || (ch >= L'\t' && ch <= L'\r'); }

}  // namespace

void LoadSettings()
{
    const CSettingsFile file;
    g_nPortNumber = file.ReadSetting(L"PortNumber", L"1");
    g_nUpdateTime = file.ReadSetting(L"UpdateTime", L"5");
    g_nAutoConnect = file.ReadSetting(L"AutoConnect", L"0");
    g_nAlnumOff = file.ReadSetting(L"AlnumOff", L"0");
    g_strPortDevice = file.ReadText(L"PortDevice", L"", kPathBufferChars);
    g_nLedLines = file.ReadSetting(L"LedLines", L"0");
    g_nLedInverted = file.ReadSetting(L"LedInverted", L"0");
    g_nCaretLamp = file.ReadSetting(L"CaretLamp", L"0");
}

bool SaveSettings()
{
    const CSettingsFile file;
    // & rather than &&: every key is written whatever became of the one before.
    bool bSaved = file.WriteSetting(L"PortNumber", g_nPortNumber);
    bSaved &= file.WriteSetting(L"UpdateTime", g_nUpdateTime);
    bSaved &= file.WriteSetting(L"AutoConnect", g_nAutoConnect);
    if (file.IsAddedKeyToWrite(L"AlnumOff", g_nAlnumOff == 0))
        bSaved &= file.WriteSetting(L"AlnumOff", g_nAlnumOff);
    if (file.IsAddedKeyToWrite(L"PortDevice", g_strPortDevice.empty()))
        bSaved &= file.WriteText(L"PortDevice", g_strPortDevice);
    if (file.IsAddedKeyToWrite(L"LedLines", g_nLedLines == 0))
        bSaved &= file.WriteSetting(L"LedLines", g_nLedLines);
    if (file.IsAddedKeyToWrite(L"LedInverted", g_nLedInverted == 0))
        bSaved &= file.WriteSetting(L"LedInverted", g_nLedInverted);
    if (file.IsAddedKeyToWrite(L"CaretLamp", g_nCaretLamp == 0))
        bSaved &= file.WriteSetting(L"CaretLamp", g_nCaretLamp);
    return bSaved;
}

std::wstring ConfiguredPort() { return sys::PortOfSettings(g_nPortNumber, g_strPortDevice); }

void SetConfiguredPort(const std::wstring& strPort)
{
    sys::PortToSettings(strPort, g_nPortNumber, g_strPortDevice);
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
