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

std::wstring ReadText(const wchar_t* pszKey, const wchar_t* pszDefault, unsigned int cchBuffer)
{
    return sys::ReadPrivateProfile(kSection, pszKey, pszDefault, cchBuffer,
                                   sys::GetIniPath().c_str());
}

int ReadSetting(const wchar_t* pszKey, const wchar_t* pszDefault)
{
    return ParseSettingValue(ReadText(pszKey, pszDefault, kValueBufferChars));
}

bool WriteText(const wchar_t* pszKey, const std::wstring& strValue)
{
    return sys::WritePrivateProfile(kSection, pszKey, strValue.c_str(), sys::GetIniPath().c_str());
}

bool WriteSetting(const wchar_t* pszKey, int nValue)
{
    return WriteText(pszKey, std::to_wstring(nValue));
}

// A key later additions brought is written only once it matters: when it differs from its default
// or the file has it already (an emptied or reset choice must reach such a file).
bool IsAddedKeyToWrite(const wchar_t* pszKey, bool bDefault)
{
    return !bDefault || ReadText(pszKey, kMissing, 2) != kMissing;
}

bool IsSpace(wchar_t ch) { return ch == L' ' || (ch >= L'\t' && ch <= L'\r'); }

}  // namespace

void LoadSettings()
{
    g_nPortNumber = ReadSetting(L"PortNumber", L"1");
    g_nUpdateTime = ReadSetting(L"UpdateTime", L"5");
    g_nAutoConnect = ReadSetting(L"AutoConnect", L"0");
    g_nAlnumOff = ReadSetting(L"AlnumOff", L"0");
    g_strPortDevice = ReadText(L"PortDevice", L"", kPathBufferChars);
    g_nLedLines = ReadSetting(L"LedLines", L"0");
    g_nLedInverted = ReadSetting(L"LedInverted", L"0");
    g_nCaretLamp = ReadSetting(L"CaretLamp", L"0");
}

bool SaveSettings()
{
    // & rather than &&: every key is written whatever became of the one before.
    bool bSaved = WriteSetting(L"PortNumber", g_nPortNumber);
    bSaved &= WriteSetting(L"UpdateTime", g_nUpdateTime);
    bSaved &= WriteSetting(L"AutoConnect", g_nAutoConnect);
    if (IsAddedKeyToWrite(L"AlnumOff", g_nAlnumOff == 0))
        bSaved &= WriteSetting(L"AlnumOff", g_nAlnumOff);
    if (IsAddedKeyToWrite(L"PortDevice", g_strPortDevice.empty()))
        bSaved &= WriteText(L"PortDevice", g_strPortDevice);
    if (IsAddedKeyToWrite(L"LedLines", g_nLedLines == 0))
        bSaved &= WriteSetting(L"LedLines", g_nLedLines);
    if (IsAddedKeyToWrite(L"LedInverted", g_nLedInverted == 0))
        bSaved &= WriteSetting(L"LedInverted", g_nLedInverted);
    if (IsAddedKeyToWrite(L"CaretLamp", g_nCaretLamp == 0))
        bSaved &= WriteSetting(L"CaretLamp", g_nCaretLamp);
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
