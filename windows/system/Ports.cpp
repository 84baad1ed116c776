#include "windows/system/Ports.h"

#include "core/Platform.h"

#include <climits>
#include <cwctype>

namespace {

const wchar_t kDeviceNamespace[] = L"\\\\.\\";

// The text after "COM" (and an optional "\\.\" before it), or nullptr when strPort is no COM name.
const wchar_t* AfterCom(const std::wstring& strPort)
{
    const wchar_t* p = strPort.c_str();
    if (strPort.compare(0, 4, kDeviceNamespace) == 0)
        p += 4;
    if (std::towupper(p[0]) != L'C' || std::towupper(p[1]) != L'O' || std::towupper(p[2]) != L'M')
        return nullptr;
    return p + 3;
}

}  // namespace

std::wstring ComPortName(int nNumber) { return L"COM" + std::to_wstring(nNumber); }

int ComPortNumber(const std::wstring& strPort)
{
    const wchar_t* p = AfterCom(strPort);
    if (p == nullptr)
        return 0;
    const bool bNegative = *p == L'-';
    if (bNegative)
        ++p;
    // Made from an int, so it fits one; anything longer saturates instead of overflowing.
    long long nValue = 0;
    const wchar_t* pDigits = p;
    for (; *p >= L'0' && *p <= L'9'; ++p)
        nValue = nValue > INT_MAX ? nValue : nValue * 10 + (*p - L'0');
    if (p == pDigits || *p != L'\0')
        return 0;
    if (bNegative)
        return nValue > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-nValue);
    return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue);
}

int ComboIndexOfPort(const std::wstring& strPort)
{
    const int nNumber = ComPortNumber(strPort);
    return nNumber >= 1 ? nNumber - 1 : -1;
}

std::wstring PortOfComboIndex(int nIndex) { return nIndex >= 0 ? ComPortName(nIndex + 1) : L""; }

namespace sys {

std::wstring PortOfSettings(int nPortNumber, const std::wstring&)
{
    return ComPortName(nPortNumber);
}

void PortToSettings(const std::wstring& strPort, int& nPortNumber, std::wstring&)
{
    nPortNumber = ComPortNumber(strPort);
}

std::wstring PortDisplayName(const std::wstring& strPort) { return strPort; }

std::wstring CanonicalPortName(const std::wstring& strName)
{
    // Device notifications name real ports only: plain digits, and no COM number Windows assigns
    // is above 255.
    const wchar_t* p = AfterCom(strName);
    if (p == nullptr || *p < L'0' || *p > L'9')
        return L"";
    const int nNumber = ComPortNumber(strName);
    return nNumber >= 1 && nNumber <= 255 ? ComPortName(nNumber) : L"";
}

}  // namespace sys
